// PPR_eval and PPR_certify over arbitrary expressions and hostile hosts.
// Input: expression bytes, then optionally a NUL and host directives.
#include <cstring>
#include <string>
#include <string_view>

#include "hostile_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view input(reinterpret_cast<const char *>(data), size);
    std::size_t nul = input.find('\0');
    std::string expr(input.substr(0, nul));
    talv_fuzz::HostileHost host;
    if (nul != std::string_view::npos) host.parse(input.substr(nul + 1));
    if (host.install() != 0) __builtin_trap();

    uint32_t out = 0;
    uint32_t ret = PPR_eval(&out, "TOTAL", expr.c_str());
    char message[600];
    Get_PPR_Message(out, message, sizeof message);
    Get_PPR_Message(ret, message, sizeof message);

    PPR_CERTIFY_RESULT record;
    std::memset(&record, 0, sizeof record);
    PPR_certify(&record, "TOTAL", expr.c_str());
    Get_PPRPT_Message(&record, message, sizeof message);
    // The host may format the record into its own text.
    Get_PPRPT_Message(&record, record.text, sizeof record.text);

    // A successful answer must be one of the codes a host can be told about.
    if (ret != 0 && ret != 8 && (ret >> 24) != 0xE5) __builtin_trap();
    if (ret == 8 && out != 0xF00000FFu) __builtin_trap();
    if ((out >> 28) == 0xF && out != 0xF00000FFu) __builtin_trap();
    PPR_end();
    return 0;
}
