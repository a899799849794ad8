// A simulated host for tests: a form held in memory, served through the
// three callbacks, with counters and injectable answers.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "talvechk.h"

namespace talv_test {

struct FakeField {
    std::string value;                 // recognised text (Shift-JIS bytes)
    std::string type = "HAND_ANK";
    std::string class_spec;            // empty: no classes declared
    int32_t attr = 0;
};

class FakeHost {
public:
    std::map<std::string, FakeField> fields;
    std::vector<std::string> excluded;       // the excluded-field list
    std::vector<std::string> range_names;    // overrides the names given to ranges when set
    bool use_range_names = false;

    // Forced answers; 0 means behave normally.
    int32_t value_result = 0;   // returned by the field-value callback when nonzero
    int32_t range_result = 0;
    int32_t list_result = 0;

    int value_calls = 0, range_calls = 0, list_calls = 0;
    std::vector<std::string> calls;          // "value NAME", "range", "list", in the order made
    uintptr_t last_value_ctx = 0, last_range_ctx = 0, last_list_ctx = 0;

    void set(const std::string &name, const std::string &value, const std::string &type = "HAND_ANK",
             const std::string &class_spec = "", int32_t attr = 0) {
        fields[name] = FakeField{value, type, class_spec, attr};
    }

    // Installs this host (two or three callbacks). Context words are the
    // host's address plus the slot number, so tests can tell them apart.
    uint32_t install(bool with_list = true) {
        PPR_PROC procs[3] = {reinterpret_cast<PPR_PROC>(&FakeHost::value_cb),
                             reinterpret_cast<PPR_PROC>(&FakeHost::range_cb),
                             with_list ? reinterpret_cast<PPR_PROC>(&FakeHost::list_cb) : nullptr};
        uintptr_t ctx[3] = {context(0), context(1), context(2)};
        return PPR_init(procs, ctx);
    }

    uintptr_t context(int slot) const { return reinterpret_cast<uintptr_t>(this) + static_cast<uintptr_t>(slot); }

    static FakeHost *from(uintptr_t ctx, int slot) {
        return reinterpret_cast<FakeHost *>(ctx - static_cast<uintptr_t>(slot));
    }

    static int32_t value_cb(uintptr_t ctx, const char *name, PPR_FIELD_VALUE *rec) {
        FakeHost *h = from(ctx, 0);
        h->value_calls++;
        h->last_value_ctx = ctx;
        h->calls.push_back(std::string("value ") + name);
        if (h->value_result) return h->value_result;
        auto it = h->fields.find(name);
        if (it == h->fields.end()) return -1;
        std::memset(rec, 0, sizeof *rec);
        rec->attr = it->second.attr;
        std::strncpy(rec->type, it->second.type.c_str(), sizeof rec->type - 1);
        std::strncpy(rec->class_spec, it->second.class_spec.c_str(), sizeof rec->class_spec - 1);
        std::strncpy(rec->value, it->second.value.c_str(), sizeof rec->value - 1);
        return 0;
    }

    static int32_t range_cb(uintptr_t ctx, int32_t *count, char **names, int32_t capacity, char *store,
                            int32_t store_size) {
        FakeHost *h = from(ctx, 1);
        h->range_calls++;
        h->last_range_ctx = ctx;
        h->calls.push_back("range");
        if (h->range_result) return h->range_result;
        std::vector<std::string> all;
        if (h->use_range_names) all = h->range_names;
        else for (auto &f : h->fields) all.push_back(f.first);
        int32_t n = 0;
        char *p = store;
        for (auto &name : all) {
            if (n >= capacity || (p - store) + 33 > store_size) return -2;
            std::strncpy(p, name.c_str(), 32);
            p[32] = '\0';
            names[n++] = p;
            p += 33;
        }
        *count = n;
        return 0;
    }

    static int32_t list_cb(uintptr_t ctx, PPR_FIELD_ENTRY *entries, int32_t *count, int32_t capacity) {
        FakeHost *h = from(ctx, 2);
        h->list_calls++;
        h->last_list_ctx = ctx;
        h->calls.push_back("list");
        if (h->list_result) return h->list_result;
        int32_t n = 0;
        for (auto &name : h->excluded) {
            if (n >= capacity) return -2;
            std::memset(&entries[n], 0, sizeof entries[n]);
            std::strncpy(entries[n].name, name.c_str(), sizeof entries[n].name);
            n++;
        }
        *count = n;
        return 0;
    }
};

// Convenience: evaluate and return {return value, out-code}.
struct EvalResult {
    uint32_t ret;
    uint32_t out;
};
inline EvalResult eval(const char *field, const char *expr) {
    uint32_t out = 0xDEADBEEF;
    uint32_t ret = PPR_eval(&out, field, expr);
    return {ret, out};
}
inline EvalResult certify(const char *field, const char *expr, PPR_CERTIFY_RESULT *rec = nullptr) {
    PPR_CERTIFY_RESULT local;
    if (!rec) rec = &local;
    std::memset(rec, 0x55, sizeof *rec);
    uint32_t ret = PPR_certify(rec, field, expr);
    return {ret, rec->code};
}

}  // namespace talv_test
