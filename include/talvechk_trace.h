/*
 * talvechk_trace.h - evaluation trace, an extension of the talvechk library.
 *
 * A host that installs a trace callback with talv_set_trace is told every
 * step of each later PPR_eval and PPR_certify: every field read, operator,
 * comparison, logical join, call, assignment and statement outcome, and the
 * place where parsing stopped on a syntax error.  Each event carries the
 * byte span of its piece in the expression text exactly as the host passed
 * it, so the host can underline it.  Tracing changes nothing else: the same
 * codes, the same host callback calls in the same order.
 *
 * The callback runs inside the evaluation.  It must not call back into the
 * library: PPR_eval, PPR_certify and talv_set_trace refuse such a call as
 * they refuse one from a host callback.  The event and all its texts are
 * valid only during the callback; copy what you keep.
 *
 * Plain C (C89 and later) and C++.
 */
#ifndef TALVECHK_TRACE_H
#define TALVECHK_TRACE_H

#include "talvechk.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Event kinds. */
#define TALV_TRACE_FIELD        1u /* a field read through the field-value callback */
#define TALV_TRACE_OPERATOR     2u /* + - * / and unary minus */
#define TALV_TRACE_COMPARISON   3u /* == != < > <= >= */
#define TALV_TRACE_LOGICAL      4u /* || && */
#define TALV_TRACE_CALL         5u /* a function call */
#define TALV_TRACE_ASSIGNMENT   6u /* name = expression */
#define TALV_TRACE_STATEMENT    7u /* a statement's outcome */
#define TALV_TRACE_SYNTAX_ERROR 8u /* the text was refused; no step follows */
/* Parsing ended before the end of the text, at a "$" or at a byte 0x80..0xFF
 * outside a string or field reference (the first byte of a double-byte
 * character, or a single-byte katakana): start is that byte, length runs to
 * the end of the text, name holds those bytes, which the evaluation never
 * reads.  Told once, when the parser takes the end; not told for a text
 * read to its end. */
#define TALV_TRACE_END          9u

/* talv_set_trace inside an evaluation (from a host or trace callback). */
#define TALV_R_TRACE_REFUSED    0xE5462E01u

/*
 * One step.  Spans are byte offsets into the expression text as passed to
 * PPR_eval / PPR_certify; length 0 marks a place (the end of the text).
 * Texts are NUL-terminated, never null, "" when the kind has none.
 * Numbers are exact decimal text: ASCII digits, "-" and "." as needed
 * ("-1234.5"); text values are the library's full-width Shift-JIS.
 *
 *   kind         name              text              value
 *   FIELD        field name        recognised text   the value as read: a number
 *                                  as the host       when the text reads as one
 *                                  returned it       under the blank modes, else
 *                                                    the full-width text
 *   OPERATOR     "+" "-" "*" "/"   ""                the result
 *                ("-" unary: left is "")
 *   COMPARISON   "==" ... ">="     ""                ""  (status: 0 holds, 1 not)
 *   LOGICAL      "||" "&&"         ""                ""
 *   CALL         function name     ""                the result ("" for a condition)
 *   ASSIGNMENT   variable name     ""                the value assigned
 *   STATEMENT    ""                ""                ""  (status/code: its outcome)
 *   SYNTAX_ERROR the token's text  ""                ""  (code: the out-code)
 *
 * For every step with status 2, text is instead the name the error's
 * message mentions (what replaces its "%s"; often empty).
 *
 * left/right (and their spans) are the operands of OPERATOR, COMPARISON and
 * LOGICAL steps as the step used them (numbers as exact decimal text).
 * status is 0 for a value or a true condition, 1 for a false condition, 2
 * for an error whose result code is in code (a failure inside the library
 * or of a host callback shows as 0xF00000FF, as the out-code does).  A STATEMENT's code is the
 * result word it leaves (0, or 0x80000000 for a false check outside
 * certify mode).
 */
typedef struct TALV_TRACE_EVENT {
    uint32_t size;          /* sizeof(TALV_TRACE_EVENT) of the library */
    uint32_t kind;          /* TALV_TRACE_* */
    uint32_t start;         /* the piece's span in the expression text */
    uint32_t length;
    int32_t status;
    uint32_t code;
    uint32_t left_start;    /* operand spans; 0/0 when there is none */
    uint32_t left_length;
    uint32_t right_start;
    uint32_t right_length;
    const char *name;
    const char *text;
    const char *value;
    const char *left;
    const char *right;
} TALV_TRACE_EVENT;

typedef void (*TALV_TRACE_PROC)(uintptr_t context, const TALV_TRACE_EVENT *event);

/*
 * Installs proc (with its context word) for every later evaluation; a null
 * proc switches tracing off.  Returns 0, or TALV_R_TRACE_REFUSED when called
 * while an evaluation runs (nothing changes then).
 */
TALV_API uint32_t talv_set_trace(TALV_TRACE_PROC proc, uintptr_t context);

#ifdef __cplusplus
}
#endif

#endif /* TALVECHK_TRACE_H */
