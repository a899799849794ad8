// The field-table and excluded-list callbacks the benchmarks' hosts share:
// the table lists g_names in their order, and no field is excluded.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "talvechk.h"

inline std::vector<std::string> g_names;

inline int32_t field_range(uintptr_t, int32_t *count, char **names, int32_t capacity, char *store, int32_t size) {
    int32_t n = 0, used = 0;
    for (const std::string &s : g_names) {
        if (n == capacity || used + static_cast<int32_t>(s.size()) + 1 > size) return -2;
        std::memcpy(store + used, s.c_str(), s.size() + 1);
        names[n++] = store + used;
        used += static_cast<int32_t>(s.size()) + 1;
    }
    *count = n;
    return 0;
}

inline int32_t field_list(uintptr_t, PPR_FIELD_ENTRY *, int32_t *count, int32_t) {
    *count = 0;
    return 0;
}
