#pragma once
// Which fields each check of a form reads, as the library lists them: the
// report shows their values next to a finding, and a results file that lacks
// one of them leaves that check out.

#include <cstddef>
#include <vector>

#include "input/encoding.h"
#include "input/form.h"

namespace talvhost {

// Which fields' values to show next to a finding of each field: the field
// itself, then the fields its check references (ranges expanded).
std::vector<std::vector<std::size_t>> fields_to_show(const Form &form, Converter &conv);

}  // namespace talvhost
