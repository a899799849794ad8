// A field read whose recognised text is nothing but digits hands their value
// to the operator that asked for the read, so that the text need not be
// read a second time.  The hand-over holds only for the Symbol that read
// made and only for the very request: an operator opens a request before it
// resolves an operand, and a read made under any other request (or none)
// never matches it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "talvechk.h"

namespace talv {

struct FreshRead {
    const Symbol *sym = nullptr;
    uint32_t request = 0;
    uint64_t value = 0;  // of at most 19 digits
};

extern FreshRead g_fresh_read;
extern uint32_t g_read_request;
extern bool g_read_armed;  // a request is open and no read has answered it yet

// Opens a request; the answer is its number.  The operator closes it once
// its operand is resolved.
inline uint32_t open_read_request() {
    g_read_armed = true;
    return ++g_read_request;
}
inline void close_read_request() { g_read_armed = false; }

// Called by a field read with the host's text (at most `size` bytes, perhaps
// unterminated) and the Symbol it made: notes the value when the text is 1
// to 19 digits, half-width or full-width, and nothing else.
void note_fresh_read(const char *recognised, std::size_t size, const Symbol *made);

// The first read under an open request answers it; reads nobody asked for
// this way (function arguments, reads a callback makes) cost one test.
inline void answer_read_request(const char *recognised, std::size_t size, const Symbol *made) {
    if (!g_read_armed) return;
    g_read_armed = false;
    note_fresh_read(recognised, size, made);
}

// The value of `resolved` when the read that made it answered `request`.
inline bool take_fresh_read(uint32_t request, const Symbol *resolved, uint64_t &value) {
    if (g_fresh_read.request != request || g_fresh_read.sym != resolved || resolved == nullptr) return false;
    value = g_fresh_read.value;
    g_fresh_read.sym = nullptr;
    return true;
}

}  // namespace talv
