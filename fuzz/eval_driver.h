// One run of the eval target: PPR_eval and PPR_certify of the input's
// expression against the host the input describes.  Shared by the fuzz
// target and the regression test that replays fuzz/regressions/eval/.
// Input: expression bytes, then optionally a NUL and host directives
// (hostile_host.h).
#pragma once

#include <cstring>
#include <string>
#include <string_view>

#include "hostile_host.h"
#include "talvechk_trace.h"
#include "values/alloc.h"

namespace talv_fuzz {

// The codes a host can be told about: 0, 8 or an entry point's own code;
// internal codes never leave the library.  Empty when sound.
inline std::string check_return(uint32_t ret, uint32_t out) {
    if (ret != 0 && ret != 8 && (ret >> 24) != 0xE5) return "unexpected return value";
    if (ret == 8 && out != TALV_E_INTERNAL) return "memory shortage without the internal-error code";
    if ((out >> 28) == 0xF && out != TALV_E_INTERNAL) return "an internal code reached the host";
    return {};
}

// An allocation that failed may end the evaluation as a memory shortage or
// leave an error the expression had already met; it never lets a check pass
// or fail as if nothing had happened.
inline std::string check_shortage(long fail_at, long made, uint32_t ret, uint32_t out) {
    if (fail_at <= 0 || made < fail_at) return {};
    if (ret == 0 && (out == TALV_OK || out == TALV_FALSE)) return "a failed allocation went unnoticed";
    return {};
}

// A traced evaluation's events: spans inside the text, texts terminated.
struct TraceCheck {
    std::size_t text_length = 0;
    std::string fault;
    static bool inside(std::size_t start, std::size_t length, std::size_t limit) {
        return start <= limit && length <= limit - start;
    }
    static void proc(uintptr_t context, const TALV_TRACE_EVENT *e) {
        TraceCheck *self = reinterpret_cast<TraceCheck *>(context);
        if (!inside(e->start, e->length, self->text_length) ||
            !inside(e->left_start, e->left_length, self->text_length) ||
            !inside(e->right_start, e->right_length, self->text_length))
            self->fault = "a trace span outside the text";
        // Reading each text to its end: the sanitizer sees any overrun.
        for (const char *text : {e->name, e->text, e->value, e->left, e->right})
            if (!text) self->fault = "a null trace text";
            else (void)std::strlen(text);
    }
};

// Empty when every answer was sound, else what was wrong.
inline std::string run_eval_input(const uint8_t *data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char *>(data), size);
    std::size_t nul = input.find('\0');
    std::string expr(input.substr(0, nul));
    HostileHost host;
    if (nul != std::string_view::npos) host.parse(input.substr(nul + 1));
    if (host.install() != 0) return "PPR_init refused the host";
    const char *self = host.self_name.c_str();
    std::string fault;

    talv::alloc_fail_at(host.fail_allocation);
    uint32_t out = 0;
    uint32_t ret = PPR_eval(&out, self, expr.c_str());
    long made = talv::alloc_count();
    talv::alloc_fail_at(0);
    fault += check_return(ret, out);
    fault += check_shortage(host.fail_allocation, made, ret, out);
    char message[600];
    Get_PPR_Message(out, message, sizeof message);
    Get_PPR_Message(ret, message, sizeof message);

    PPR_CERTIFY_RESULT record;
    std::memset(&record, 0, sizeof record);
    talv::alloc_fail_at(host.fail_allocation);
    ret = PPR_certify(&record, self, expr.c_str());
    made = talv::alloc_count();
    talv::alloc_fail_at(0);
    fault += check_return(ret, record.code);
    fault += check_shortage(host.fail_allocation, made, ret, record.code);
    if (ret == 0 && std::memchr(record.text, 0, sizeof record.text) == nullptr) fault += "record text unterminated";
    Get_PPRPT_Message(&record, message, sizeof message);
    // The host may format the record into its own text.
    Get_PPRPT_Message(&record, record.text, sizeof record.text);

    // Once more with the trace installed (the host may answer differently
    // the second time, so only soundness is compared).
    TraceCheck trace;
    trace.text_length = expr.size();
    talv_set_trace(&TraceCheck::proc, reinterpret_cast<uintptr_t>(&trace));
    talv::alloc_fail_at(host.fail_allocation);
    ret = PPR_eval(&out, self, expr.c_str());
    made = talv::alloc_count();
    talv::alloc_fail_at(0);
    talv_set_trace(nullptr, 0);
    fault += check_return(ret, out);
    fault += check_shortage(host.fail_allocation, made, ret, out);
    fault += trace.fault;
    PPR_end();
    return fault;
}

}  // namespace talv_fuzz
