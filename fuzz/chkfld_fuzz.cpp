// PPR_chkfld: the expression, then NUL-separated names.
#include <string>
#include <string_view>
#include <vector>

#include "talvechk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view input(reinterpret_cast<const char *>(data), size);
    std::size_t nul = input.find('\0');
    std::string expr(input.substr(0, nul));
    std::vector<std::string> names;
    while (nul != std::string_view::npos && names.size() < 64) {
        std::size_t next = input.find('\0', nul + 1);
        names.emplace_back(input.substr(nul + 1, next == std::string_view::npos ? next : next - nul - 1));
        nul = next;
    }
    std::vector<const char *> ptrs;
    for (auto &n : names) ptrs.push_back(n.c_str());
    ptrs.push_back(nullptr);
    std::vector<int32_t> out(names.size() + 1, 0x7777);
    uint32_t ret = PPR_chkfld(out.data(), ptrs.data(), expr.c_str());
    if (ret == 0) {
        // Ascending indices within range, ended by -1.
        int32_t last = -1;
        std::size_t i = 0;
        for (; i < out.size() && out[i] != -1; ++i) {
            if (out[i] <= last || out[i] >= static_cast<int32_t>(names.size())) __builtin_trap();
            last = out[i];
        }
        if (i == out.size()) __builtin_trap();
    }
    return 0;
}
