// The steps shared by PPR_eval and PPR_certify.
#pragma once

#include <cstddef>
#include <cstdint>

namespace talv {

// Return values of one evaluating entry point for the internal codes.
struct EntryCodes {
    uint32_t callback_failed;
    uint32_t area_exceeded;
    uint32_t bad_character;
};

struct Outcome {
    uint32_t code;   // out-code for the host
    uint32_t ret;    // return value of the entry point
};

// Turns the result word after a parse into the out-code and return value;
// internal codes never reach the host as such.
Outcome map_result_word(uint32_t word, const EntryCodes &codes);

enum class Stage {
    kRejected,       // too long, unclosed text or too deep: decided before parsing
    kNothingToDo,    // no visible character: passes without evaluation
    kParsed,
};

struct Evaluation {
    Stage stage;
    Outcome outcome;
};

// True while run_evaluation runs: a host callback that calls PPR_eval or
// PPR_certify would empty the symbol list and the scanner under the running
// evaluation, so such a call is refused.
bool evaluation_running();

// PPR_end from inside a host callback: the scanner's buffer is still being
// read, so it is deleted once the running evaluation is over.
void delete_scanner_buffer_after_evaluation();

// The field being checked, its name at most TALV_MAX_SELF_FIELD bytes.
struct FieldName {
    const char *text;
    std::size_t length;
};

// Preparation, depth check, scanner reset, parse, release of the symbol
// list; for a text parsed before, the replay of its parse.  The caller has
// checked its arguments and set the certify-mode flag.
Evaluation run_evaluation(FieldName field, const char *expr_text, const EntryCodes &codes);

}  // namespace talv
