// The token stream between the scanner and the evaluating parser.
#pragma once

#include <cstddef>
#include <cstdint>

#include "talvechk.h"

namespace talv {

// The one word that travels with a token: the operand's Symbol for
// VARIABLE, NUMBER, FIELD and STRING, the operator number for RELOP.  Other
// tokens leave it as the previous token left it.
union TokenValue {
    Symbol *sym;
    int op;
};

enum TokenCode : int {
    kTokEnd = 0,
    kTokVariable = TALV_VARIABLE,  // the Symbol kinds double as token codes
    kTokNumber = TALV_NUMBER,
    kTokField = TALV_FIELD,
    kTokString = TALV_STRING,
    kTokUnused = 261,  // no rule produces it; see kTokScannerFailed
    kTokRelop = 262,
    kTokOr = 263,
    kTokAnd = 264,
    // The scanner lost its buffer.  The grammar knows no such token, so the
    // parse stops at it as at a syntax error.
    kTokScannerFailed = kTokUnused,
};

enum RelOp : int { kRelEq = 0, kRelNe, kRelLt, kRelGt, kRelLe, kRelGe };

inline const char *relop_text(int op) {
    static const char *const texts[] = {"==", "!=", "<", ">", "<=", ">="};
    return op >= kRelEq && op <= kRelGe ? texts[op] : "";
}

// The next token of the prepared scanner input.  Single characters come back
// as themselves, bytes 0x80..0xFF as negative numbers.  Operand tokens
// create their Symbol on the symbol list (null when memory ran out).
int scan_token(TokenValue *value);
// The same token for the untraced parser, inside run_with_scanner_guard: its
// value is recorded (parse_record.h) rather than given.
int scan_token_for_record();

// True from a fatal scanner condition until the next scanner_reset().
bool scanner_failed();

// Bytes of the token that scan_token() last returned (for the trace).
std::size_t scanner_token_length();

// Byte span [start, end) in the expression text.  The preparation rewrites
// bytes in place ("]" to "$") and "@" stays one byte of the text, so offsets
// into the scanner input are offsets into the host's text.
struct SourceSpan {
    uint32_t start;
    uint32_t end;
};

}  // namespace talv
