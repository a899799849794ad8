/* The evaluating parser of check expressions: every reduction runs its
 * operation at once, so the check is decided while it is parsed.
 *
 * A state reduces without reading a token only when one reduction is all it
 * can do; everywhere else the lookahead decides, and a token that allows
 * neither a shift nor a reduction stops the parse before any further action
 * runs.  Hosts see the difference: with unset variables a and b, a&&b is a
 * syntax error rather than a missing value. */

%require "3.5"
%define api.prefix {talv_parse_}
%define api.token.prefix {TOK_}
%define api.value.type {talv::TokenValue}
%define lr.type lalr
%define lr.default-reduction consistent

/* The one ambiguity: a call before ")", "," or the end reads as a condition
 * (rule order decides the reduce/reduce choice, three lookaheads in one
 * state).  Bison pins reduce/reduce counts only for GLR parsers, so the build
 * checks that count in the report instead of %expect-rr; any shift/reduce
 * conflict fails the build through -Werror. */

%code requires {
#include "lang/tokens.h"
#include "lang/trace_hooks.h"
}

%code {
#include "lang/frontend.h"
#include "service/state.h"
#include "values/alloc.h"

static int yylex(void);
static void yyerror(const char *message);

/* Fixed stacks that never grow (compiled as C++ the skeleton cannot relocate
 * them, so a full stack is an overflow).  The skeleton reports the overflow
 * as soon as its last slot is filled: one slot more than the 500 entries
 * that must fit, the start state included. */
#define YYINITDEPTH 501
#define YYMAXDEPTH 501
/* The skeleton's stack release is dead code here; still, nothing of the
 * library may reach the C allocator directly. */
#define YYMALLOC talv::alloc
#define YYFREE talv::release

/* Ends the parse with `code` as the evaluation's outcome. */
#define FAIL(code) do { talv::g_state.result_word = (code); YYABORT; } while (0)
/* A null Symbol means memory ran out; a Symbol with status 2 or more carries
 * the error that ends the evaluation. */
#define CHECK(sym) do { \
        Symbol *checked_ = (sym); \
        if (!checked_) FAIL(TALV_I_NO_MEMORY); \
        if (checked_->status >= 2) FAIL(checked_->code); \
    } while (0)
}

%token <sym> VARIABLE 257 NUMBER 258 FIELD 259 STRING 260
%token <op> RELOP 262
%token OR 263 AND 264

%left OR
%left AND
%left '+' '-'
%left '*' '/'
%precedence UMINUS

%type <sym> statement condition expression call arguments

%%

statements
    : statement
    | statements ',' statement
    ;

statement
    : VARIABLE '=' expression {
        if (!$1) FAIL(TALV_I_NO_MEMORY);
        Symbol *value = eval_symbol($3);
        if (!value) FAIL(TALV_I_NO_MEMORY);
        Symbol *held = assign_variable($1->text, value);
        TRACE_ASSIGNMENT($1, held);
        CHECK(held);
        $$ = held;
        talv::g_state.result_word = TALV_OK;
        TRACE_STATEMENT(held, TALV_OK);
    }
    | condition {
        if (!$1) FAIL(TALV_I_NO_MEMORY);
        if ($1->status >= 2) FAIL($1->code);
        if ($1->status == 1 && !talv::certify_mode()) { TRACE_STATEMENT($1, TALV_FALSE); FAIL(TALV_FALSE); }
        talv::g_state.result_word = TALV_OK;
        TRACE_STATEMENT($1, TALV_OK);
    }
    | expression {
        if (!$1) FAIL(TALV_I_NO_MEMORY);
        if ($1->status == 1 && !talv::certify_mode()) { TRACE_STATEMENT($1, TALV_FALSE); FAIL(TALV_FALSE); }
        Symbol *value = eval_symbol($1);
        TRACE_STATEMENT_ERROR(value);
        CHECK(value);
        if (value->status == 1 && !talv::certify_mode()) { TRACE_STATEMENT(value, TALV_FALSE); FAIL(TALV_FALSE); }
        $$ = value;
        talv::g_state.result_word = TALV_OK;
        TRACE_STATEMENT(value, TALV_OK);
    }
    ;

/* Both operands are evaluated before either rule runs: no short-circuit. */
condition
    : condition OR condition {
        if (!$1 || !$3) FAIL(TALV_I_NO_MEMORY);
        if ($1->status >= 2) FAIL($1->code);
        const int32_t joined = ($1->status != 0 && $3->status != 0) ? 1 : 0;
        TRACE_LOGICAL("||", joined, $1, $3);
        $1->status = joined;
        $$ = $1;
    }
    | condition AND condition {
        if (!$1 || !$3) FAIL(TALV_I_NO_MEMORY);
        if ($1->status >= 2) FAIL($1->code);
        const int32_t joined = ($1->status != 0 || $3->status != 0) ? 1 : 0;
        TRACE_LOGICAL("&&", joined, $1, $3);
        $1->status = joined;
        $$ = $1;
    }
    | expression RELOP expression {
        Symbol *result;
        switch ($2) {
        case talv::kRelEq: result = relop_eq($1, $3); break;
        case talv::kRelNe: result = relop_ne($1, $3); break;
        case talv::kRelLt: result = relop_lt($1, $3); break;
        case talv::kRelGt: result = relop_gt($1, $3); break;
        case talv::kRelLe: result = relop_le($1, $3); break;
        case talv::kRelGe: result = relop_ge($1, $3); break;
        default: FAIL(TALV_E_INTERNAL);
        }
        TRACE_BINARY(TALV_TRACE_COMPARISON, talv::relop_text($2), result, $1, $3);
        CHECK(result);
        $$ = result;
    }
    | '(' condition ')' { $$ = $2; }
    | call
    ;

expression
    : expression '+' expression { Symbol *r = op_add($1, $3); TRACE_BINARY(TALV_TRACE_OPERATOR, "+", r, $1, $3); CHECK(r); $$ = r; }
    | expression '-' expression { Symbol *r = op_sub($1, $3); TRACE_BINARY(TALV_TRACE_OPERATOR, "-", r, $1, $3); CHECK(r); $$ = r; }
    | expression '*' expression { Symbol *r = op_mul($1, $3); TRACE_BINARY(TALV_TRACE_OPERATOR, "*", r, $1, $3); CHECK(r); $$ = r; }
    | expression '/' expression { Symbol *r = op_div($1, $3); TRACE_BINARY(TALV_TRACE_OPERATOR, "/", r, $1, $3); CHECK(r); $$ = r; }
    | '(' expression ')' { $$ = $2; }
    | '-' expression %prec UMINUS { Symbol *r = op_minus($2); TRACE_MINUS(r, $2); CHECK(r); $$ = r; }
    | VARIABLE { if (!$1) FAIL(TALV_I_NO_MEMORY); $$ = $1; }
    | FIELD { if (!$1) FAIL(TALV_I_NO_MEMORY); $$ = $1; }
    | NUMBER { if (!$1) FAIL(TALV_I_NO_MEMORY); $$ = $1; }
    | STRING { if (!$1) FAIL(TALV_I_NO_MEMORY); $$ = $1; }
    | call
    ;

call
    : VARIABLE '(' arguments ')' {
        if (!$1) FAIL(TALV_I_NO_MEMORY);
        Symbol *r = call_function($1, $3);
        TRACE_CALL($1, r);
        CHECK(r);
        $$ = r;
    }
    | VARIABLE '(' ')' {
        if (!$1) FAIL(TALV_I_NO_MEMORY);
        Symbol *r = call_function($1, nullptr);
        TRACE_CALL($1, r);
        CHECK(r);
        $$ = r;
    }
    ;

/* The chain runs from the last argument back to the first; call_function
 * restores source order. */
arguments
    : expression
    | arguments ',' expression { $3->next = $1; $$ = $3; }
    ;

%%

static int yylex(void) {
    int token = talv::scan_token(&yylval);
    TRACE_TOKEN(token, yylval);
    return token < 0 ? talv::kTokEnd : token;  // bytes 0x80..0xFF end the text
}

/* Syntax errors and overflows end the parse; the caller reports them. */
static void yyerror(const char *) { TRACE_SYNTAX_ERROR(); }

namespace talv {

int TALV_PARSE_ENTRY() {
#ifdef TALV_TRACED_PARSER
    int status = yyparse();  // the scanner guards each token: a failed one is traced as such
#else
    int status = run_with_scanner_guard(&yyparse);
#endif
    if (scanner_failed()) {
        g_state.result_word = TALV_I_NO_MEMORY;
        return 1;
    }
    return status == 0 ? 0 : 1;
}

}  // namespace talv
