// What each rule of the grammar does when it is reduced.  Written once and
// run by two drivers: the traced parser, whose actions name them, and the
// replay of a recorded parse (parse_record.h).  The includer defines
// FAIL(code) (end the evaluation with that result word) and the TRACE_*
// hooks (trace_hooks.h); CHECK is defined here from FAIL.
//
// Each RULE_x(result, ...) takes the rule's value slot and the right-hand
// values it reads; `result` starts as the first right-hand value, as in the
// parser.
#pragma once

#include <cstdint>

#include "lang/tokens.h"
#include "service/state.h"
#include "talvechk.h"

namespace talv {

// The rules whose reduction changes the value stack or runs an operation.
// A unit rule without an action (call as a condition, say) leaves the stack
// as it was and is not recorded.
enum class Rule : uint8_t {
    next_statement,
    assignment,
    condition_statement,
    expression_statement,
    logical_or,
    logical_and,
    comparison,
    group,
    add,
    subtract,
    multiply,
    divide,
    minus,
    operand,
    call_with_arguments,
    call_without_arguments,
    next_argument,
};

// The symbols on each rule's right-hand side, as the grammar writes it.  A
// record whose reductions a wrong length put out of step with the parser
// ends broken (parse_record.cpp) and is never replayed.
constexpr int rule_length(Rule rule) {
    switch (rule) {
    case Rule::condition_statement:
    case Rule::expression_statement:
    case Rule::operand: return 1;
    case Rule::minus: return 2;
    case Rule::call_with_arguments: return 4;
    case Rule::next_statement:
    case Rule::assignment:
    case Rule::logical_or:
    case Rule::logical_and:
    case Rule::comparison:
    case Rule::group:
    case Rule::add:
    case Rule::subtract:
    case Rule::multiply:
    case Rule::divide:
    case Rule::call_without_arguments:
    case Rule::next_argument: return 3;
    }
    return 0;
}

}  // namespace talv

/* A null Symbol means memory ran out; a Symbol with status 2 or more carries
 * the error that ends the evaluation. */
#define CHECK(sym) do { \
        Symbol *checked_ = (sym); \
        if (!checked_) FAIL(TALV_I_NO_MEMORY); \
        if (checked_->status >= 2) FAIL(checked_->code); \
    } while (0)

/* statements ',' statement: the earlier statements' value is kept. */
#define RULE_next_statement(result) ((void)0)

#define RULE_assignment(result, name, expr) do { \
        if (!(name)) FAIL(TALV_I_NO_MEMORY); \
        Symbol *value_ = eval_symbol(expr); \
        if (!value_) FAIL(TALV_I_NO_MEMORY); \
        Symbol *held_ = assign_variable((name)->text, value_); \
        TRACE_ASSIGNMENT(name, held_); \
        CHECK(held_); \
        (result) = held_; \
        talv::g_state.result_word = TALV_OK; \
        TRACE_STATEMENT(held_, TALV_OK); \
    } while (0)

#define RULE_condition_statement(result, cond) do { \
        if (!(cond)) FAIL(TALV_I_NO_MEMORY); \
        if ((cond)->status >= 2) FAIL((cond)->code); \
        if ((cond)->status == 1 && !talv::certify_mode()) { TRACE_STATEMENT(cond, TALV_FALSE); FAIL(TALV_FALSE); } \
        talv::g_state.result_word = TALV_OK; \
        TRACE_STATEMENT(cond, TALV_OK); \
    } while (0)

#define RULE_expression_statement(result, expr) do { \
        if (!(expr)) FAIL(TALV_I_NO_MEMORY); \
        if ((expr)->status == 1 && !talv::certify_mode()) { TRACE_STATEMENT(expr, TALV_FALSE); FAIL(TALV_FALSE); } \
        Symbol *value_ = eval_symbol(expr); \
        TRACE_STATEMENT_ERROR(value_); \
        CHECK(value_); \
        if (value_->status == 1 && !talv::certify_mode()) { TRACE_STATEMENT(value_, TALV_FALSE); FAIL(TALV_FALSE); } \
        (result) = value_; \
        talv::g_state.result_word = TALV_OK; \
        TRACE_STATEMENT(value_, TALV_OK); \
    } while (0)

/* Both operands are evaluated before either rule runs: no short-circuit.
 * `joined` is the status both sides give together. */
#define RULE_LOGICAL_(result, text, a, b, joined_status) do { \
        if (!(a) || !(b)) FAIL(TALV_I_NO_MEMORY); \
        if ((a)->status >= 2) FAIL((a)->code); \
        const int32_t joined_ = (joined_status) ? 1 : 0; \
        TRACE_LOGICAL(text, joined_, a, b); \
        (a)->status = joined_; \
        (result) = (a); \
    } while (0)
#define RULE_logical_or(result, a, b) RULE_LOGICAL_(result, "||", a, b, (a)->status != 0 && (b)->status != 0)
#define RULE_logical_and(result, a, b) RULE_LOGICAL_(result, "&&", a, b, (a)->status != 0 || (b)->status != 0)

#define RULE_comparison(result, a, op, b) do { \
        Symbol *r_; \
        switch (op) { \
        case talv::kRelEq: r_ = relop_eq(a, b); break; \
        case talv::kRelNe: r_ = relop_ne(a, b); break; \
        case talv::kRelLt: r_ = relop_lt(a, b); break; \
        case talv::kRelGt: r_ = relop_gt(a, b); break; \
        case talv::kRelLe: r_ = relop_le(a, b); break; \
        case talv::kRelGe: r_ = relop_ge(a, b); break; \
        default: FAIL(TALV_E_INTERNAL); \
        } \
        TRACE_BINARY(TALV_TRACE_COMPARISON, talv::relop_text(op), r_, a, b); \
        CHECK(r_); \
        (result) = r_; \
    } while (0)

/* '(' x ')' */
#define RULE_group(result, inner) ((result) = (inner))

#define RULE_ARITHMETIC_(result, operation, text, a, b) do { \
        Symbol *r_ = operation(a, b); \
        TRACE_BINARY(TALV_TRACE_OPERATOR, text, r_, a, b); \
        CHECK(r_); \
        (result) = r_; \
    } while (0)
#define RULE_add(result, a, b) RULE_ARITHMETIC_(result, op_add, "+", a, b)
#define RULE_subtract(result, a, b) RULE_ARITHMETIC_(result, op_sub, "-", a, b)
#define RULE_multiply(result, a, b) RULE_ARITHMETIC_(result, op_mul, "*", a, b)
#define RULE_divide(result, a, b) RULE_ARITHMETIC_(result, op_div, "/", a, b)

#define RULE_minus(result, a) do { \
        Symbol *r_ = op_minus(a); \
        TRACE_MINUS(r_, a); \
        CHECK(r_); \
        (result) = r_; \
    } while (0)

/* A variable, field, number or string as it was scanned (null: no memory). */
#define RULE_operand(result, sym) do { if (!(sym)) FAIL(TALV_I_NO_MEMORY); (result) = (sym); } while (0)

#define RULE_CALL_(result, name, args) do { \
        if (!(name)) FAIL(TALV_I_NO_MEMORY); \
        Symbol *r_ = call_function(name, args); \
        TRACE_CALL(name, r_); \
        CHECK(r_); \
        (result) = r_; \
    } while (0)
#define RULE_call_with_arguments(result, name, args) RULE_CALL_(result, name, args)
#define RULE_call_without_arguments(result, name) RULE_CALL_(result, name, nullptr)

/* The chain runs from the last argument back to the first; call_function
 * restores source order. */
#define RULE_next_argument(result, chain, arg) do { (arg)->next = (chain); (result) = (arg); } while (0)
