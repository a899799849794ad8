// One run of the chkfld target: the input's expression, then NUL-separated
// names, through PPR_chkfld.  Shared by the fuzz target and the regression
// test that replays fuzz/regressions/chkfld/.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "talvechk.h"

namespace talv_fuzz {

// Empty when the listing is sound, else what was wrong.
inline std::string run_chkfld_input(const uint8_t *data, std::size_t size) {
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
    // Exactly the room the caller owes: one entry per name and the -1.
    std::vector<int32_t> out(names.size() + 1, 0x7777);
    uint32_t ret = PPR_chkfld(out.data(), ptrs.data(), expr.c_str());
    if (ret != 0) {
        if (ret != TALV_R_CHKFLD_BAD_PARAM) return "unexpected return value";
        if (expr.size() <= TALV_MAX_EXPR) return "refused an expression that fits";
        return {};
    }
    // Ascending indices within range, ended by -1.
    int32_t last = -1;
    std::size_t i = 0;
    for (; i < out.size() && out[i] != -1; ++i) {
        if (out[i] <= last || out[i] >= static_cast<int32_t>(names.size())) return "index out of order or range";
        last = out[i];
    }
    if (i == out.size()) return "listing not ended by -1";
    return {};
}

}  // namespace talv_fuzz
