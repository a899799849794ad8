// The replay of recorded parses: the untraced evaluation of every text.
#include "lang/frontend.h"
#include "lang/parse_record.h"
#include "lang/replay_steps.h"
#include "lang/rule_actions.h"
#include "lang/tokens.h"
#include "lang/trace_hooks.h"
#include "service/state.h"
#include "talvechk.h"

namespace talv {
namespace {

#define FAIL(code) do { talv::g_state.result_word = (code); return 1; } while (0)

// Runs `rule` over its right-hand values v[1] .. v[length]; 1 when it ended
// the evaluation.  Each line reads as the rule's action in the grammar.
inline int reduce(Rule rule, const TokenValue *v, TokenValue &out) {
    switch (rule) {
    case Rule::next_statement: RULE_next_statement(); break;
    case Rule::assignment: RULE_assignment(out.sym, v[1].sym, v[3].sym); break;
    case Rule::condition_statement: RULE_condition_statement(out.sym, v[1].sym); break;
    case Rule::expression_statement: RULE_expression_statement(out.sym, v[1].sym); break;
    case Rule::logical_or: RULE_logical_or(out.sym, v[1].sym, v[3].sym); break;
    case Rule::logical_and: RULE_logical_and(out.sym, v[1].sym, v[3].sym); break;
    case Rule::comparison: RULE_comparison(out.sym, v[1].sym, v[2].op, v[3].sym); break;
    case Rule::group: RULE_group(out.sym, v[2].sym); break;
    case Rule::add: RULE_add(out.sym, v[1].sym, v[3].sym); break;
    case Rule::subtract: RULE_subtract(out.sym, v[1].sym, v[3].sym); break;
    case Rule::multiply: RULE_multiply(out.sym, v[1].sym, v[3].sym); break;
    case Rule::divide: RULE_divide(out.sym, v[1].sym, v[3].sym); break;
    case Rule::minus: RULE_minus(out.sym, v[2].sym); break;
    case Rule::operand: RULE_operand(out.sym, v[1].sym); break;
    case Rule::call_with_arguments: RULE_call_with_arguments(out.sym, v[1].sym, v[3].sym); break;
    case Rule::call_without_arguments: RULE_call_without_arguments(out.sym, v[1].sym); break;
    case Rule::next_argument: RULE_next_argument(out.sym, v[1].sym, v[3].sym); break;
    }
    return 0;
}

#undef FAIL

}  // namespace

int replay_steps(const Step *step, const char *texts) {
    TokenValue stack[kParserStackDepth];
    TokenValue *top = stack;  // stack[0] stands for the start state and is never read
    // Tokens without a value leave the previous one, as the scanner does;
    // no rule reads theirs.
    TokenValue read{};
    for (;; ++step) {
        switch (step->op) {
        case StepOp::lex_operand: read.sym = create_symbol(texts + step->at, TALV_VARIABLE + step->value); break;
        case StepOp::lex_self_field: read.sym = create_symbol(g_state.self_field, TALV_FIELD); break;
        case StepOp::lex_relop: read.op = step->value; break;
        case StepOp::shift: *++top = read; break;
        case StepOp::reduce: {
            TokenValue *v = top - step->at;
            TokenValue out = v[1];
            if (reduce(static_cast<Rule>(step->value), v, out)) return 1;
            top = v + 1;
            *top = out;
            break;
        }
        case StepOp::operand:
        case StepOp::self_field_operand:
            read.sym = step->op == StepOp::operand ? create_symbol(texts + step->at, TALV_VARIABLE + step->value)
                                                   : create_symbol(g_state.self_field, TALV_FIELD);
            *++top = read;
            if (reduce(Rule::operand, top - 1, *top)) return 1;
            break;
        case StepOp::accept: return 0;
        case StepOp::stop: return 1;
        }
    }
}

int parse() {
    if (!record_parse()) {
        g_state.result_word = TALV_I_NO_MEMORY;
        return 1;
    }
    return replay_recorded();
}

}  // namespace talv
