// The grammar is compiled twice: as the parser every evaluation runs, where
// these hooks are empty, and with locations as the traced parser, which runs
// only while a trace callback is installed.  So tracing costs the untraced
// parser and the replay nothing.  Traced, the hooks take the rule's span and
// the spans of its parts from the location default action, before the
// rule's action runs, and the lookahead's from yylloc: only the grammar
// includes them so; the replay includes the empty ones.
#pragma once

#ifdef TALV_TRACED_PARSER

#include "service/trace.h"

#define YYLLOC_DEFAULT(Cur, Rhs, N) do { \
        if (N) { (Cur).start = YYRHSLOC(Rhs, 1).start; (Cur).end = YYRHSLOC(Rhs, N).end; } \
        else { (Cur).start = (Cur).end = YYRHSLOC(Rhs, 0).end; } \
        talv::trace_rule(Cur, (N) >= 1 ? YYRHSLOC(Rhs, 1) : (Cur), (N) >= 2 ? YYRHSLOC(Rhs, 2) : (Cur), \
                         (N) >= 3 ? YYRHSLOC(Rhs, 3) : (Cur)); \
    } while (0)
#define YY_LOCATION_PRINT(File, Loc) ((void)0)

// The span of the rule being reduced and of its k-th (1 to 3) right-hand symbol.
#define TRACE_RULE talv::traced_rule()
#define TRACE_AT(k) talv::traced_rule_part(k)
#define TRACE_TOKEN(token, value) \
    (yylloc = talv::trace_token((token), (token) >= talv::kTokVariable && (token) <= talv::kTokString ? (value).sym : nullptr))
#define TRACE_BINARY(kind, op, r, a, b) talv::trace_binary((kind), (op), (r), (a), (b), TRACE_RULE, TRACE_AT(1), TRACE_AT(3))
#define TRACE_MINUS(r, a) talv::trace_unary_minus((r), (a), TRACE_RULE, TRACE_AT(2))
#define TRACE_LOGICAL(op, joined, a, b) talv::trace_logical((op), (joined), (a), (b), TRACE_RULE, TRACE_AT(1), TRACE_AT(3))
#define TRACE_CALL(name, r) talv::trace_call((name), (r), TRACE_RULE)
#define TRACE_ASSIGNMENT(name, value) talv::trace_assignment((name), (value), TRACE_RULE)
#define TRACE_STATEMENT(outcome, word) talv::trace_statement((outcome), (word), TRACE_RULE)
#define TRACE_STATEMENT_ERROR(value) \
    do { if ((value) && (value)->status >= 2) talv::trace_statement((value), (value)->code, TRACE_RULE); } while (0)
#define TRACE_SYNTAX_ERROR() talv::trace_syntax_error(yylloc)

#else

#define TRACE_TOKEN(token, value) ((void)0)
#define TRACE_BINARY(kind, op, r, a, b) ((void)0)
#define TRACE_MINUS(r, a) ((void)0)
#define TRACE_LOGICAL(op, joined, a, b) ((void)0)
#define TRACE_CALL(name, r) ((void)0)
#define TRACE_ASSIGNMENT(name, value) ((void)0)
#define TRACE_STATEMENT(outcome, word) ((void)0)
#define TRACE_STATEMENT_ERROR(value) ((void)0)
#define TRACE_SYNTAX_ERROR() ((void)0)

#endif
