// What the evaluation trace keeps while an evaluation runs (trace.cpp):
// types only; the evaluation state holds the one instance.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lang/tokens.h"
#include "talvechk.h"
#include "talvechk_trace.h"
#include "values/decimal.h"

namespace talv {

// Text of one value: a full-width text of 276 bytes, or a number of at most
// 138 characters.
constexpr std::size_t kTraceValueSize = TALV_SYMBOL_TEXT + 1;
constexpr std::size_t kTraceWhySize = 256;
constexpr std::size_t kTraceRecognisedSize = sizeof(PPR_FIELD_VALUE::value) + 1;

// An operand Symbol and the place it was written.
struct TraceSpanEntry {
    const Symbol *sym;
    SourceSpan span;
};

// A field read, so that an operator can show the value its FIELD operand
// was read as: the operator reads its operands itself, just before it is
// reported.  With what the value came to as a number (code 0) or why it is
// none.
struct TraceFieldRead {
    const Symbol *field;
    char value[kTraceValueSize];
    char recognised[kTraceRecognisedSize];
    uint32_t code;
    Decimal number;
};

// What a function said about the answer it was about to return, until the
// CALL step that reports that answer.
struct TracePendingWhy {
    const Symbol *answer;
    uint32_t part, argument;
    const Symbol *blamed;  // the argument, when one is to blame
    char words[kTraceWhySize];
};

struct TraceState {
    TALV_TRACE_PROC proc = nullptr;  // the host's callback; null: no trace
    uintptr_t context = 0;
    const char *expr = "";
    uint32_t expr_length = 0;
    SourceSpan rule{0, 0};
    SourceSpan rule_parts[3]{};  // its right-hand symbols
    // End of the token scanned last: the scanner skips only blanks between
    // tokens, so the next one starts at the first byte after them.  (Its
    // buffer cannot tell: it moves the last token when it meets the end of
    // the text.)
    std::size_t scanned_to = 0;
    bool end_told = false;

    // Operand Symbols and their places; range arguments add the fields they
    // expand to.  When full, later Symbols take the span of the rule that
    // made them.
    static constexpr std::size_t kMaxSpans = 4096;
    TraceSpanEntry spans[kMaxSpans]{};
    std::size_t span_count = 0;

    // The latest field reads.
    static constexpr std::size_t kRecentReads = 8;
    TraceFieldRead reads[kRecentReads]{};
    std::size_t next_read = 0;

    // The texts of the event being told.
    char name[TALV_MAX_EXPR + 1]{};
    char text[kTraceRecognisedSize]{};
    char value[kTraceValueSize]{};
    char left[kTraceValueSize]{};
    char right[kTraceValueSize]{};
    char why[kTraceWhySize]{};
    // |a - b| may have one integer digit more than a number holds.
    char difference[kTraceValueSize + 1]{};
    char culprit[TALV_SYMBOL_TEXT + 1]{};
    char culprit_text[kTraceRecognisedSize]{};

    TracePendingWhy pending{};
};

}  // namespace talv
