// PPR_eval and PPR_certify over arbitrary expressions and hostile hosts.
// Input: expression bytes, then optionally a NUL and host directives.
#include <cstring>
#include <string>
#include <string_view>

#include "hostile_host.h"
#include "values/alloc.h"

namespace {

// The codes a host can be told about: 0, 8 or an entry point's own code.
void check_return(uint32_t ret, uint32_t out) {
    if (ret != 0 && ret != 8 && (ret >> 24) != 0xE5) __builtin_trap();
    if (ret == 8 && out != TALV_E_INTERNAL) __builtin_trap();
    // Internal codes never leave the library.
    if ((out >> 28) == 0xF && out != TALV_E_INTERNAL) __builtin_trap();
}

// An allocation that failed may end the evaluation as a memory shortage or
// leave an error the expression had already met; it never lets a check pass
// or fail as if nothing had happened.
void check_shortage(long fail_at, uint32_t ret, uint32_t out) {
    if (fail_at <= 0 || talv::alloc_count() < fail_at) return;
    if (ret == 0 && (out == TALV_OK || out == TALV_FALSE)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view input(reinterpret_cast<const char *>(data), size);
    std::size_t nul = input.find('\0');
    std::string expr(input.substr(0, nul));
    talv_fuzz::HostileHost host;
    if (nul != std::string_view::npos) host.parse(input.substr(nul + 1));
    if (host.install() != 0) __builtin_trap();
    const char *self = host.self_name.c_str();

    talv::alloc_fail_at(host.fail_allocation);
    uint32_t out = 0;
    uint32_t ret = PPR_eval(&out, self, expr.c_str());
    check_return(ret, out);
    check_shortage(host.fail_allocation, ret, out);
    char message[600];
    Get_PPR_Message(out, message, sizeof message);
    Get_PPR_Message(ret, message, sizeof message);

    PPR_CERTIFY_RESULT record;
    std::memset(&record, 0, sizeof record);
    talv::alloc_fail_at(host.fail_allocation);
    ret = PPR_certify(&record, self, expr.c_str());
    check_return(ret, record.code);
    check_shortage(host.fail_allocation, ret, record.code);
    talv::alloc_fail_at(0);
    if (std::memchr(record.text, 0, sizeof record.text) == nullptr && ret == 0) __builtin_trap();
    Get_PPRPT_Message(&record, message, sizeof message);
    // The host may format the record into its own text.
    Get_PPRPT_Message(&record, record.text, sizeof record.text);
    PPR_end();
    return 0;
}
