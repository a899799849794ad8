// What a form designer is told beside a check's fault: the text the library
// never read (it stops at a "$" or a double-byte character, silently, as the
// language defines), and the common slip that explains a syntax error.
// Worded in the message language (Japanese, or English under --lang en);
// every front end renders them through expression_lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "input/encoding.h"
#include "check/trace_text.h"

namespace talvhost {

// What ended the text early.
enum class Ender { Dollar, FullWidth, DoubleByte, Katakana, Byte };

struct Unread {
    uint32_t start = 0;    // 0-based byte of the ender in the expression
    uint32_t length = 0;   // bytes from there to the end of the text
    Ender ender = Ender::Dollar;
    std::string ender_sjis;      // the character that ended it
    std::string unread_sjis;     // what is never read (after a "$", before it for a character)
    std::string lookalike_sjis;  // the full-width look-alikes of ASCII starting at the ender, or ""
    std::string ascii;           // their ASCII spelling
};

// The library's TALV_TRACE_END step, when what it left unread matters: a
// character that ends the text, or a "$" with more than blanks after it.
std::optional<Unread> find_unread(const std::vector<TraceStep> &steps, const std::string &expr_sjis);

// "the expression ends at byte 9 ..." with what is never read and the
// ASCII spelling, UTF-8.
std::string unread_message(const Unread &u, Converter &conv);

// The slip a syntax error (or a text compared) most likely comes of, worded;
// "" when none is known.  steps: the trace of the refused evaluation.
std::string error_hint(const std::vector<TraceStep> &steps, const std::string &expr_sjis, uint32_t code,
                       Converter &conv);

// The caret under where a refused evaluation stopped (its syntax error, or
// the text never read); "" when the trace marks no place.
std::string error_caret(const std::vector<TraceStep> &steps, const std::string &expr_sjis);
// The same, and for a text compared the comparison that refused it.
std::string error_caret(const std::vector<TraceStep> &steps, const std::string &expr_sjis, uint32_t code,
                        Converter &conv);

// "    check: EXPR\n", then the caret and the hint lines when given: the one
// rendering of a faulty check for the lint-first pass, certify and eval.
std::string expression_lines(const std::string &expr_sjis, Converter &conv, const std::string &caret,
                             const std::string &hint);

}  // namespace talvhost
