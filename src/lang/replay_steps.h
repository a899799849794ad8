// The steps of a recorded parse and the replay that runs them.
#pragma once

#include <cstdint>

namespace talv {

enum class StepOp : uint8_t {
    lex_operand,     // value: kind - TALV_VARIABLE, at: offset of its text
    lex_self_field,  // "@"
    lex_relop,       // value: the operator
    shift,           // the token read last goes onto the stack
    reduce,          // value: the Rule, at: the rule's length
    accept,
    stop,            // the parser met a syntax error or filled its stack
    // lex_operand (lex_self_field), shift and the operand rule in one step:
    // what an operand in an expression comes to nearly everywhere.
    operand,
    self_field_operand,
};

struct Step {
    StepOp op;
    uint8_t value;
    uint16_t at;
};

// 0 when the steps end in acceptance, 1 when they stop or a rule fails
// (g_state.result_word then says why, as the rules set it).
int replay_steps(const Step *steps, const char *texts);

}  // namespace talv
