// The cache of function names found, kept by the evaluation state across
// evaluations.  Types only; function_call.cpp fills it.
#pragma once

#include <cstdint>

#include "talvechk.h"

namespace talv {

// A function found by name: its row in the table it was found in.
struct FoundFunction {
    TALV_FUNCTION func = nullptr;
    uint32_t row = 0;
    bool companion = false;  // found in ext_func_tab
};

// The bytes a lookup reads of a name: its first 16, zeros from its
// terminator on.  Equal keys find the same row, whatever follows.
struct NameKey {
    uint64_t low = 0, high = 0;
    bool operator==(const NameKey &) const = default;
};

// Names found before, by their exact spelling, direct-mapped.  Both tables
// are taken as fixed once the libraries are loaded, so a spelling keeps the
// row it was found in until PPR_init starts afresh; names found nowhere are
// not kept (they end the evaluation).
struct CachedLookup {
    NameKey key;
    FoundFunction found;  // func null: empty
};
constexpr unsigned kLookupCacheBits = 5;
struct FunctionLookups {
    CachedLookup slots[1u << kLookupCacheBits];
};

}  // namespace talv
