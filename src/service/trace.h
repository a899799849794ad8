// The evaluation trace as the library's own code sees it.  Every hook on a
// path that also runs untraced is guarded by trace_on(), one predictable
// branch; the rest runs only inside the traced parser.
#pragma once

#include <cstdint>

#include "lang/tokens.h"
#include "service/state.h"
#include "talvechk.h"
#include "talvechk_trace.h"

namespace talv {

inline bool trace_on() { return g_state.trace.proc != nullptr; }

// Per evaluation, before anything is reported.
void trace_begin(const char *expr_text);

// Steps refused before the parser ran: too long, an unclosed string or field
// reference, too deep parentheses.  `normalised` is the prepared text.
void trace_rejected(const char *normalised, uint32_t code);

// The traced parser's lexer: the span of the token just scanned.  Operand
// Symbols are remembered with their span.  A "$" or a byte 0x80..0xFF that
// ends the text early is told as TALV_TRACE_END.
SourceSpan trace_token(int token, Symbol *operand);
// The span of the rule being reduced, for Symbols made while it runs.
void trace_rule(SourceSpan span, SourceSpan first, SourceSpan second, SourceSpan third);
// The rule trace_rule told last, and its k-th (1 to 3) right-hand symbol.
SourceSpan traced_rule();
SourceSpan traced_rule_part(int k);

// A field read; `recognised` is the value text as the host returned it
// (null when there is none).
void trace_field_read(const Symbol *field, const char *recognised, const Symbol *result);
// The FIELD Symbols chained from `first` stand for the range `range`.
void trace_range_fields(const Symbol *first, const Symbol *range);

void trace_binary(uint32_t kind, const char *op, const Symbol *result, const Symbol *left, const Symbol *right,
                  SourceSpan whole, SourceSpan left_span, SourceSpan right_span);
void trace_unary_minus(const Symbol *result, const Symbol *operand, SourceSpan whole, SourceSpan operand_span);
void trace_logical(const char *op, int32_t joined, const Symbol *left, const Symbol *right, SourceSpan whole,
                   SourceSpan left_span, SourceSpan right_span);
void trace_call(const Symbol *name, const Symbol *result, SourceSpan whole);
// A function's `answer` is false (or an error) for this reason; argument
// (from 1, behind `head`) is the one to blame, 0 for none or several.  The
// CALL step that reports `answer` carries it.
void trace_why(const Symbol *answer, uint32_t part, const char *words, Symbol *head, uint32_t argument);
void trace_assignment(const Symbol *name, const Symbol *value, SourceSpan whole);
void trace_statement(const Symbol *outcome, uint32_t word, SourceSpan whole);
void trace_syntax_error(SourceSpan where);

}  // namespace talv
