/* The evaluating parser of check expressions: every reduction runs its
 * operation at once, so the check is decided while it is parsed.  Compiled
 * twice: with locations as the traced parser, which runs the rules
 * (rule_actions.h) itself, and as the parser of every other evaluation,
 * which only records the steps it takes for the replay to run them
 * (parse_record.h).
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
#include "lang/parse_record.h"
#include "lang/rule_actions.h"
#include "service/state.h"
#include "values/alloc.h"

static int yylex(void);
static void yyerror(const char *message);

/* Fixed stacks that never grow (compiled as C++ the skeleton cannot relocate
 * them, so a full stack is an overflow). */
#define YYINITDEPTH talv::kParserStackDepth
#define YYMAXDEPTH talv::kParserStackDepth
/* The skeleton's stack release is dead code here; still, nothing of the
 * library may reach the C allocator directly. */
#define YYMALLOC talv::alloc
#define YYFREE talv::release

#ifdef TALV_TRACED_PARSER
/* Ends the parse with `code` as the evaluation's outcome. */
#define FAIL(code) do { talv::g_state.result_word = (code); YYABORT; } while (0)
#define RULE(name, ...) RULE_##name(__VA_ARGS__)
#else
/* The untraced parser only records the steps it takes (parse_record.h); the
 * replay runs the rules.  Nothing here can end the parse early, so a record
 * always runs to acceptance or to the syntax error.  The lookahead tells
 * whether the token read last was shifted before the reduction. */
#define RULE(name, ...) talv::record_reduce(talv::Rule::name, yychar)
#endif
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
    | statements ',' statement                  { RULE(next_statement); }
    ;

statement
    : VARIABLE '=' expression                   { RULE(assignment, $$, $1, $3); }
    | condition                                 { RULE(condition_statement, $$, $1); }
    | expression                                { RULE(expression_statement, $$, $1); }
    ;

/* Both operands are evaluated before either rule runs: no short-circuit. */
condition
    : condition OR condition                    { RULE(logical_or, $$, $1, $3); }
    | condition AND condition                   { RULE(logical_and, $$, $1, $3); }
    | expression RELOP expression               { RULE(comparison, $$, $1, $2, $3); }
    | '(' condition ')'                         { RULE(group, $$, $2); }
    | call
    ;

expression
    : expression '+' expression                 { RULE(add, $$, $1, $3); }
    | expression '-' expression                 { RULE(subtract, $$, $1, $3); }
    | expression '*' expression                 { RULE(multiply, $$, $1, $3); }
    | expression '/' expression                 { RULE(divide, $$, $1, $3); }
    | '(' expression ')'                        { RULE(group, $$, $2); }
    | '-' expression %prec UMINUS               { RULE(minus, $$, $2); }
    | VARIABLE                                  { RULE(operand, $$, $1); }
    | FIELD                                     { RULE(operand, $$, $1); }
    | NUMBER                                    { RULE(operand, $$, $1); }
    | STRING                                    { RULE(operand, $$, $1); }
    | call
    ;

call
    : VARIABLE '(' arguments ')'                { RULE(call_with_arguments, $$, $1, $3); }
    | VARIABLE '(' ')'                          { RULE(call_without_arguments, $$, $1); }
    ;

/* The chain runs from the last argument back to the first. */
arguments
    : expression
    | arguments ',' expression                  { RULE(next_argument, $$, $1, $3); }
    ;

%%

static int yylex(void) {
#ifdef TALV_TRACED_PARSER
    const int token = talv::scan_token(&yylval);
    TRACE_TOKEN(token, yylval);
    return token < 0 ? talv::kTokEnd : token;  // bytes 0x80..0xFF end the text
#else
    return talv::record_lookahead(talv::scan_token_for_record());
#endif
}

/* Syntax errors and overflows end the parse; the caller reports them. */
static void yyerror(const char *) { TRACE_SYNTAX_ERROR(); }

namespace talv {

#ifdef TALV_TRACED_PARSER
int parse_traced() {
    int status = yyparse();  // the scanner guards each token: a failed one is traced as such
    if (scanner_failed()) {
        g_state.result_word = TALV_I_NO_MEMORY;
        return 1;
    }
    return status == 0 ? 0 : 1;
}
#else
bool record_parse() {
    record_begin();
    const int status = run_with_scanner_guard(&yyparse);
    if (scanner_failed()) return false;
    record_end(status == 0);
    return true;
}
#endif

}  // namespace talv
