// A field read normalises the host's text in one pass and, for the texts
// fields mostly hold (digits, half- or full-width, with blanks at either
// end), reads their value on the way, handing it to the operator that asked
// for the read so that the text need not be read a second time.  The
// hand-over holds only for the Symbol that read made and only for the very
// request: an operator opens a request before it resolves an operand, and a
// read made under any other request (or none) never matches it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "talvechk.h"
#include "values/modes.h"

namespace talv {

struct FreshRead {
    const Symbol *sym = nullptr;
    uint32_t request = 0;
    uint64_t value = 0;  // of at most 19 digits
    bool trailing_blanks = false;
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

// What read_fresh_text answers when it did not meet the text's end.
constexpr std::size_t kLengthUnknown = SIZE_MAX;

// A field read's text: `recognised` is the host's (at most `size` bytes,
// perhaps unterminated; `size` exceeds what normalisation keeps); `made` is
// fresh (all zeros).  Writes into made->text what normalise_full_width writes, and when a request is
// open answers it (the first read under it does), noting the value if the
// text is blanks, 1 to 19 digits and blanks, half- or full-width.  Answers
// the length of the host's text when reading met its terminator, else
// kLengthUnknown.
std::size_t read_fresh_text(const char *recognised, std::size_t size, Symbol *made);

// The value of `resolved` when the read that made it answered `request`,
// and the plain reader would read its text as that value under the modes
// in force; it declines trailing blanks the right-blank mode objects to.
inline bool take_fresh_read(uint32_t request, const Symbol *resolved, uint64_t &value) {
    if (g_fresh_read.request != request || g_fresh_read.sym != resolved || resolved == nullptr) return false;
    g_fresh_read.sym = nullptr;
    if (g_fresh_read.trailing_blanks && (right_blank == kBlankError || right_blank == kBlankAsZero)) return false;
    value = g_fresh_read.value;
    return true;
}

}  // namespace talv
