// Field-reference Symbols made from a name already in hand.
#pragma once

#include <cstddef>

#include "talvechk.h"

namespace talv {

constexpr std::size_t kFieldNameMax = 32;

// What create_symbol makes of a token "[" content "$": a fresh FIELD
// Symbol holding the content as field names are kept (leading and trailing
// white space dropped, at most 32 bytes).  Null when memory ran out.
Symbol *create_field_symbol(const char *content, std::size_t length);

// create_field_symbol for many names that share a prefix (a range's
// fields): the prefix is kept once and each Symbol's name copied whole.
class FieldNames {
public:
    // `prefix` holds no NUL and outlives the object.
    FieldNames(const char *prefix, std::size_t length);
    // The Symbol create_field_symbol makes of prefix + number, `number`
    // being decimal digits.  Null when memory ran out.
    Symbol *make(const char *number, std::size_t length);

private:
    Symbol *make_cut(const char *number, std::size_t length);

    const char *prefix_;
    std::size_t prefix_len_;
    std::size_t kept_len_;                       // of the prefix
    alignas(16) char kept_[kFieldNameMax] = {};  // the kept prefix, zero-padded
};

}  // namespace talv
