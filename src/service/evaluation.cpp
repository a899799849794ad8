#include "service/evaluation.h"

#include <cstring>

#include "lang/frontend.h"
#include "lang/parse_record.h"
#include "service/normalise.h"
#include "service/state.h"
#include "service/trace.h"
#include "talvechk.h"
#include "names/names.h"
#include "values/clear.h"
#include "values/modes.h"
#include "values/symbol_list.h"

namespace talv {
namespace {

struct RunningEvaluation {
    RunningEvaluation() { g_state.running = true; }
    ~RunningEvaluation() {
        g_state.running = false;
        if (g_state.delete_scanner_buffer) scanner_delete_buffer();
        g_state.delete_scanner_buffer = false;
    }
};

// "[" name "$", as the scanner reads a reference to the field being checked.
void write_self_field(FieldName field) {
    static_assert(sizeof g_state.self_field >= TALV_MAX_SELF_FIELD + 3);
    char *out = g_state.self_field;
    out[0] = '[';
    std::memcpy(out + 1, field.text, field.length);
    out[1 + field.length] = '$';
    out[2 + field.length] = '\0';
}

void prepare(FieldName field_name, const char *normalised, std::size_t length) {
    std::memcpy(g_state.scanner_input, normalised, length + 1);
    g_state.read_pos = 0;
    g_state.end_pos = length;
    g_state.result_word = 0;
    write_self_field(field_name);
    clear_block<sizeof g_state.message_arg>(g_state.message_arg);
    reset_symbol_list();
    reset_variables();
    reset_number_modes();
}

}  // namespace

Outcome map_result_word(uint32_t word, const EntryCodes &codes) {
    switch (word) {
    case TALV_I_NO_MEMORY: return {TALV_E_INTERNAL, TALV_R_NO_MEMORY};
    case TALV_I_CALLBACK_FAILED: return {TALV_E_INTERNAL, codes.callback_failed};
    case TALV_I_AREA_EXCEEDED: return {TALV_E_INTERNAL, codes.area_exceeded};
    case TALV_I_BAD_CHARACTER: return {TALV_E_INTERNAL, codes.bad_character};
    default: return {word, 0};
    }
}

bool evaluation_running() { return g_state.running; }

void delete_scanner_buffer_after_evaluation() { g_state.delete_scanner_buffer = true; }

Evaluation run_evaluation(FieldName field_name, const char *expr_text, const EntryCodes &codes) {
    const RunningEvaluation running;
    const bool traced = trace_on();
    int rejected = 1;
    const RecordKey key = record_key(expr_text);
    if (traced) trace_begin(expr_text);
    if (const ParseRecord *known = traced ? nullptr : find_parse_record(key, expr_text)) {
        // Prepared, checked and parsed before: only the evaluation is left.
        prepare(field_name, prepared_text(*known), key.length);
        g_state.read_pos = key.length;  // as the scanner would have read it all
        if (scanner_ready())
            rejected = replay_parse(*known);
        else
            g_state.result_word = TALV_I_NO_MEMORY;
    } else {
        char normalised[kNormalisedBufferSize];
        switch (normalise_expression(expr_text, normalised)) {
        case kTextTooLong:
            if (traced) trace_rejected(expr_text, TALV_E_TOO_LONG);
            return {Stage::kRejected, {TALV_E_TOO_LONG, 0}};
        case kNothingVisible: return {Stage::kNothingToDo, {TALV_OK, 0}};
        case kNormalised: break;
        }
        prepare(field_name, normalised, key.length);

        if (uint32_t code = check_parenthesis_depth(g_state.scanner_input)) {
            if (traced) trace_rejected(g_state.scanner_input, code);
            return {Stage::kRejected, {code, 0}};
        }

        if (!scanner_reset()) {
            g_state.result_word = TALV_I_NO_MEMORY;
        } else if (traced) {
            rejected = parse_traced();
        } else {
            rejected = parse();
            keep_parse_record(key, expr_text, g_state.scanner_input);
        }
    }
    release_symbols();
    if (rejected && g_state.result_word == 0) g_state.result_word = TALV_E_SYNTAX;
    return {Stage::kParsed, map_result_word(g_state.result_word, codes)};
}

}  // namespace talv
