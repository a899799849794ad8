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

    /* Added later: present when size reaches them (the record only grows).
     *
     * why_part and why say what made a CALL false, or why a step failed
     * (status 2), where the library knows it: why_part a TALV_WHY_* code,
     * 0 when nothing is known; why the same in words, e.g. "month 13",
     * "30 April Reiwa 1: before Reiwa began (1 May 2019)",
     * "12 digits; a corporate number has 13", "a blank inside the number".
     *
     * culprit_start/culprit_length: the span of the operand or argument
     * to blame (0/0 when none is, or several are); culprit_argument the
     * CALL's argument to blame, counted from 1 (0 when none or several);
     * culprit the name of the field to blame ("" when it is no single
     * field) and culprit_text the text that could not be taken: the
     * field's text as the host returned it, else the literal's or
     * variable's text.
     *
     * difference (COMPARISON, status 0 or 1): |left - right| of the values
     * compared, as exact decimal text ("0" when they are equal); "" when
     * the comparison had no values (an error, or a type-only answer of
     * certify mode). */
    uint32_t why_part;
    uint32_t culprit_start;
    uint32_t culprit_length;
    uint32_t culprit_argument;
    const char *why;
    const char *difference;
    const char *culprit;
    const char *culprit_text;
} TALV_TRACE_EVENT;

/* What made a call false or a step fail (why_part). */
#define TALV_WHY_NONE              0u
#define TALV_WHY_MONTH             1u  /* a month outside 1..12 */
#define TALV_WHY_DAY               2u  /* a day outside 1..31 */
#define TALV_WHY_DAY_OF_MONTH      3u  /* a day the month never has ("30 February") */
#define TALV_WHY_YEAR              4u  /* a year outside the calendar's years */
#define TALV_WHY_DAY_OF_YEAR       5u  /* a day the month lacks in that year (29 February of a common year) */
#define TALV_WHY_ERA               6u  /* no such era */
#define TALV_WHY_ERA_YEAR          7u  /* a year the era does not have */
#define TALV_WHY_BEFORE_ERA        8u  /* a date before the era began */
#define TALV_WHY_AFTER_ERA         9u  /* a date after the era ended */
#define TALV_WHY_EARLY_MONTH_DAYS 10u  /* day 31 while months had at most 30 days (era 1, years 1 to 5) */
#define TALV_WHY_SKIPPED_DAYS     11u  /* the days skipped when the calendar changed (era 1 year 5, 12th month, 3rd on) */
#define TALV_WHY_HOUR             12u  /* an hour outside the clock */
#define TALV_WHY_MINUTE           13u  /* a minute outside 0..59 */
#define TALV_WHY_HALF             14u  /* a half of the day other than 1 (morning) or 2 (afternoon) */
#define TALV_WHY_NOT_A_NUMBER     20u  /* a text that is not a number */
#define TALV_WHY_BLANK_IN_NUMBER  21u  /* a blank inside a number */
#define TALV_WHY_TWO_POINTS       22u  /* a number with more than one decimal point */
#define TALV_WHY_ARGUMENT_COUNT   23u  /* too many or too few arguments */
#define TALV_WHY_NOT_AN_INTEGER   24u  /* an argument that is no whole number of at most 8 digits */
#define TALV_WHY_DIGIT_COUNT      30u  /* an identifier with a number of digits its scheme does not have */
#define TALV_WHY_CHECK_DIGIT      31u  /* a check digit other than the one the number gives */
#define TALV_WHY_NOT_A_DIGIT      32u  /* a character that may not stand in the identifier */
#define TALV_WHY_SEPARATOR        33u  /* a blank or hyphen out of place */
#define TALV_WHY_NO_DIGITS        34u  /* a text (or box of a range) without a digit */
#define TALV_WHY_TOO_MANY_DIGITS  35u  /* more digits than the library reads */
#define TALV_WHY_OTHER            99u  /* something else; why says what */

typedef void (*TALV_TRACE_PROC)(uintptr_t context, const TALV_TRACE_EVENT *event);

/*
 * Installs proc (with its context word) for every later evaluation; a null
 * proc switches tracing off.  Returns 0, or TALV_R_TRACE_REFUSED when called
 * while an evaluation runs (nothing changes then).
 */
TALV_API uint32_t talv_set_trace(TALV_TRACE_PROC proc, uintptr_t context);

/*
 * For the functions of an extension library (ext_func_tab).
 *
 * talv_trace_active: nonzero while an evaluation runs with a trace
 * installed, so that a function need only put its reasons into words then.
 *
 * talv_trace_why: `answer` is the Symbol the function is about to return
 * (false, or an error); part (TALV_WHY_*) and why (NUL-terminated, cut at
 * 255 bytes) say why.  argument, counted from 1 behind the list head
 * `head` the function was called with, is the argument to blame; 0 for
 * none or several.  The CALL step that reports `answer` carries them.
 * Ignored unless talv_trace_active() is nonzero; the library keeps no
 * pointer to anything passed.
 */
TALV_API int talv_trace_active(void);
TALV_API void talv_trace_why(const Symbol *answer, uint32_t part, const char *why, Symbol *head, uint32_t argument);

#ifdef __cplusplus
}
#endif

#endif /* TALVECHK_TRACE_H */
