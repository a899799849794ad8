// Field-reference Symbols made from a name already in hand.
#pragma once

#include <cstddef>

#include "talvechk.h"

namespace talv {

// What create_symbol makes of a token "[" content "$": a fresh FIELD
// Symbol holding the content as field names are kept (leading and trailing
// white space dropped, at most 32 bytes).  Null when memory ran out.
Symbol *create_field_symbol(const char *content, std::size_t length);

}  // namespace talv
