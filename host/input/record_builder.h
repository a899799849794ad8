// Records built from texts a program hands over one by one (the Python
// module), under the same rules as the results readers: every value is
// converted to CP932 and must fit the field-value record.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/encoding.h"
#include "input/form.h"
#include "input/results.h"

namespace talvhost {

class RecordBuilder {
public:
    // keep_given: findings show the texts as handed over; otherwise as the
    // library reads them (what the command shows for CP932 input).
    RecordBuilder(const Form &form, Converter &conv, bool keep_given = true)
        : form_(form), conv_(conv), keep_given_(keep_given), values_(form.fields.size()) {}

    // Sets one field's value from UTF-8 text; throws InputError naming the
    // field when the text cannot be converted or does not fit.  The record
    // under construction is left as it was.
    void set(std::size_t field, std::string_view utf8);

    // The record of every value set since the last take (the others empty).
    Record take(long number);

    // Drops what was set since the last take.
    void reset();

private:
    const Form &form_;
    Converter &conv_;
    bool keep_given_;
    std::vector<std::string> values_;
    std::vector<std::pair<std::size_t, std::string>> shown_;
};

}  // namespace talvhost
