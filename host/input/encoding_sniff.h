// Tells, from the first bytes of a results file, that it is in the other
// encoding than the one it is read in, so that the operator hears it once
// instead of as a fault on every form that is not plain ASCII.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "input/diagnostics.h"
#include "input/encoding.h"

namespace talvhost {

// How much of a file is looked at.
constexpr std::size_t kSniffBytes = 64u << 10;

// Offset of the first byte that is no part of well-formed UTF-8, or npos.
std::size_t first_bad_utf8(std::string_view text);

// head: the file's first bytes; whole: head is the whole file.  An error
// naming the encoding to give when head does not decode as `chosen` but
// does as the other; nothing otherwise.
std::optional<InputError> wrong_encoding(std::string_view head, bool whole, Encoding chosen, const std::string &path,
                                         Converter &conv);

}  // namespace talvhost
