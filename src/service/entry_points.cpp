// PPR_init, PPR_eval, PPR_certify, PPR_end.
#include <cstring>

#include "lang/frontend.h"
#include "names/names.h"
#include "names/value_record.h"
#include "service/evaluation.h"
#include "service/state.h"
#include "talvechk.h"

namespace talv {
namespace {

constexpr EntryCodes kEvalCodes{TALV_R_EVAL_CALLBACK, TALV_R_EVAL_AREA, TALV_R_EVAL_BAD_CHAR};
constexpr EntryCodes kCertifyCodes{TALV_R_CERT_CALLBACK, TALV_R_CERT_AREA, TALV_R_CERT_BAD_CHAR};

// The self-field text "[" name "$" has 64 bytes; a longer name is refused
// rather than cut, since a cut name would silently check another field.
// A call from inside a host callback is refused like invalid parameters.
// Sets `name_length` when the arguments are valid.
bool valid_arguments(const char *field_name, const char *expr_text, std::size_t &name_length) {
    if (!field_name || !expr_text) return false;
    name_length = strnlen(field_name, TALV_MAX_SELF_FIELD + 1);
    return name_length <= TALV_MAX_SELF_FIELD && !evaluation_running();
}

// For the codes decided before parsing the record carries the formatted
// message, not a bare name: none of their messages names anything.
void fill_record(PPR_CERTIFY_RESULT *record, uint32_t code) {
    record->code = code;
    Get_PPRPT_Message(record, record->text, sizeof record->text);
}

}  // namespace
}  // namespace talv

using talv::g_state;

extern "C" {

TALV_API uint32_t PPR_init(const PPR_PROC *callbacks, const uintptr_t *contexts) {
    if (!callbacks || !contexts || !callbacks[0] || !callbacks[1]) return TALV_R_INIT_BAD_PARAM;
    int copied = 2;
    for (int slot = 0; slot < 2; ++slot) {
        g_state.callbacks[slot] = callbacks[slot];
        g_state.contexts[slot] = contexts[slot];
    }
    if (callbacks[2]) {
        g_state.callbacks[2] = callbacks[2];
        g_state.contexts[2] = contexts[2];
        copied = 3;
    }
    g_state.callbacks[copied] = nullptr;
    g_state.contexts[copied] = 0;
    g_state.result_word = 0;
    talv::clear_value_record();
    talv::forget_function_lookups();
    return 0;
}

TALV_API uint32_t PPR_eval(uint32_t *out, const char *field_name, const char *expr_text) {
    if (!out) return TALV_R_EVAL_BAD_PARAM;
    std::size_t name_length = 0;
    if (!talv::valid_arguments(field_name, expr_text, name_length)) {
        *out = TALV_E_INTERNAL;
        return TALV_R_EVAL_BAD_PARAM;
    }
    if (!g_state.callbacks[talv::kFieldValue] || !g_state.callbacks[talv::kFieldRange]) {
        *out = TALV_E_INTERNAL;
        return TALV_R_EVAL_NOT_INIT;
    }
    g_state.certify_mode = 0;
    const talv::Evaluation done = talv::run_evaluation({field_name, name_length}, expr_text, talv::kEvalCodes);
    *out = done.outcome.code;
    return done.outcome.ret;
}

TALV_API uint32_t PPR_certify(PPR_CERTIFY_RESULT *record, const char *field_name, const char *expr_text) {
    if (!record) return TALV_R_CERT_BAD_PARAM;
    std::size_t name_length = 0;
    if (!talv::valid_arguments(field_name, expr_text, name_length)) {
        talv::fill_record(record, TALV_E_INTERNAL);
        return TALV_R_CERT_BAD_PARAM;
    }
    if (!g_state.callbacks[talv::kFieldValue] || !g_state.callbacks[talv::kFieldRange] ||
        !g_state.callbacks[talv::kFieldList]) {
        talv::fill_record(record, TALV_E_INTERNAL);
        return TALV_R_CERT_NOT_INIT;
    }
    g_state.certify_mode = 1;
    const talv::Evaluation done = talv::run_evaluation({field_name, name_length}, expr_text, talv::kCertifyCodes);
    switch (done.stage) {
    case talv::Stage::kRejected:
        talv::fill_record(record, done.outcome.code);
        break;
    case talv::Stage::kNothingToDo:
        record->code = done.outcome.code;  // the text is left as it was
        break;
    case talv::Stage::kParsed: {
        // The bare name; the host formats it through Get_PPRPT_Message.
        record->code = done.outcome.code;
        const std::size_t n = strnlen(g_state.message_arg, sizeof g_state.message_arg);
        std::memcpy(record->text, g_state.message_arg, n);
        std::memset(record->text + n, 0, sizeof record->text - n);
        break;
    }
    }
    return done.outcome.ret;
}

TALV_API uint32_t PPR_end(void) {
    // The callbacks are forgotten at once either way: later references of a
    // running evaluation fail as callback failures.
    if (talv::evaluation_running())
        talv::delete_scanner_buffer_after_evaluation();
    else
        talv::scanner_delete_buffer();
    for (int slot = 0; slot < 3; ++slot) {
        g_state.callbacks[slot] = nullptr;
        g_state.contexts[slot] = 0;
    }
    return 0;
}

}  // extern "C"
