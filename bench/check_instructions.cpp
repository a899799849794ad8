// Runs one check expression repeatedly against one form under callgrind and
// counts only what the evaluations cost (PPR_eval, the host's callbacks
// included).  bench/instructions.sh drives it; alone it runs uninstrumented.
//
//   check_instructions FORM_FILE REPS FIELD EXPR
//
// FORM_FILE holds "NAME=VALUE" lines (CP932 bytes) and, optionally,
// "!TYPE NAME=CLASS ATTR" lines giving a field's type, class spec and
// attribute word.
#include <valgrind/callgrind.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "talvechk.h"
#include "field_table_host.h"

namespace {

struct Field {
    std::string value, type = "HAND_ANK", class_spec;
    int32_t attr = 0;
};

std::unordered_map<std::string, Field> g_fields;

void put(char *dst, std::size_t size, const std::string &s) {
    std::size_t n = std::min(s.size(), size - 1);
    std::memcpy(dst, s.data(), n);
    dst[n] = '\0';
}

int32_t field_value(uintptr_t, const char *name, PPR_FIELD_VALUE *rec) {
    auto it = g_fields.find(name);
    if (it == g_fields.end()) return -1;
    const Field &f = it->second;
    rec->attr = f.attr;
    put(rec->type, sizeof rec->type, f.type);
    put(rec->class_spec, sizeof rec->class_spec, f.class_spec);
    put(rec->value, sizeof rec->value, f.value);
    return 0;
}

bool read_form(const char *path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line[0] == '!') {  // "!TYPE NAME=CLASS ATTR"
            std::size_t sp = line.find(' '), eq = line.find('=', sp), sp2 = line.rfind(' ');
            if (sp == std::string::npos || eq == std::string::npos) continue;
            Field &f = g_fields[line.substr(sp + 1, eq - sp - 1)];
            f.type = line.substr(1, sp - 1);
            f.class_spec = line.substr(eq + 1, sp2 > eq ? sp2 - eq - 1 : std::string::npos);
            if (sp2 > eq) f.attr = std::atoi(line.c_str() + sp2 + 1);
            continue;
        }
        std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string name = line.substr(0, eq);
        if (!g_fields.count(name) || g_fields[name].value.empty()) g_names.push_back(name);
        g_fields[name].value = line.substr(eq + 1);
    }
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 5 || !read_form(argv[1])) {
        std::fprintf(stderr, "usage: check_instructions FORM_FILE REPS FIELD EXPR\n");
        return 2;
    }
    const long reps = std::atol(argv[2]);
    const char *field = argv[3], *expr = argv[4];
    PPR_PROC procs[3] = {reinterpret_cast<PPR_PROC>(&field_value), reinterpret_cast<PPR_PROC>(&field_range),
                         reinterpret_cast<PPR_PROC>(&field_list)};
    uintptr_t contexts[3] = {0, 0, 0};
    if (PPR_init(procs, contexts) != 0) return 2;
    uint32_t out = 0, ret = PPR_eval(&out, field, expr);  // warm: lazy binding, the symbol pool
    CALLGRIND_ZERO_STATS;
    for (long i = 0; i < reps; ++i) ret |= PPR_eval(&out, field, expr);
    CALLGRIND_DUMP_STATS_AT("checks");
    std::printf("%s: ret %08X out %08X\n", field, ret, out);
    PPR_end();
    return 0;
}
