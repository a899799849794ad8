// A simulated host whose form and whose misbehaviour both come from the fuzz
// input.  After the expression's NUL, one directive per line:
//   F name<TAB>value<TAB>type<TAB>class<TAB>attr   a field (missing parts default)
//   X name        an excluded field
//   V n [k] / R n [k] / L n [k]   force the value / range / list callback's
//                 answer n, after k calls answered normally (default 0)
//   C n / D n     report n as the range / list count whatever was written
//   U             leave records unterminated, filled with 0xFF bytes
//   N             leave null pointers in the range table
//   W             give a field a different value on every call
//   S name        the name of the field being checked (default TOTAL)
//   A n           make the n-th allocation of the evaluation fail
//   I n           the value callback calls back into the library, which the
//                 contract forbids: 1 PPR_eval, 2 PPR_certify, 3 PPR_end,
//                 4 PPR_init
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "talvechk.h"

namespace talv_fuzz {

struct Field {
    std::string name, value, type = "HAND_ANK", class_spec;
    int32_t attr = 0;
};

struct HostileHost {
    std::vector<Field> fields;
    std::vector<std::string> excluded;
    int32_t force_value = 0, force_range = 0, force_list = 0;
    unsigned value_after = 0, range_after = 0, list_after = 0;
    unsigned value_calls = 0, range_calls = 0, list_calls = 0;
    std::string self_name = "TOTAL";
    long fail_allocation = 0;
    bool override_range_count = false, override_list_count = false;
    int32_t range_count = 0, list_count = 0;
    bool unterminated = false, null_names = false, wobble = false;
    int reenter = 0;
    unsigned calls = 0;

    static std::vector<std::string_view> split(std::string_view s, char sep) {
        std::vector<std::string_view> out;
        std::size_t start = 0;
        for (std::size_t i = 0; i <= s.size(); ++i)
            if (i == s.size() || s[i] == sep) { out.push_back(s.substr(start, i - start)); start = i + 1; }
        return out;
    }

    static int32_t number(std::string_view s) {
        std::string t(s.substr(0, 12));
        return static_cast<int32_t>(std::strtol(t.c_str(), nullptr, 10));
    }

    // "n k": the answer and the number of normal answers before it.
    static void forced(std::string_view s, int32_t &answer, unsigned &after) {
        auto parts = split(s, ' ');
        answer = number(parts[0]);
        after = parts.size() > 1 ? static_cast<unsigned>(number(parts[1])) % 64 : 0;
    }

    void parse(std::string_view text) {
        for (std::string_view line : split(text, '\n')) {
            if (line.size() < 1) continue;
            char op = line[0];
            std::string_view rest = line.size() > 2 ? line.substr(2) : std::string_view{};
            switch (op) {
            case 'F': {
                auto parts = split(rest, '\t');
                Field f;
                f.name = std::string(parts[0]);
                if (parts.size() > 1) f.value = std::string(parts[1]);
                if (parts.size() > 2) f.type = std::string(parts[2]);
                if (parts.size() > 3) f.class_spec = std::string(parts[3]);
                if (parts.size() > 4) f.attr = number(parts[4]);
                fields.push_back(std::move(f));
                break;
            }
            case 'X': excluded.emplace_back(rest); break;
            case 'V': forced(rest, force_value, value_after); break;
            case 'R': forced(rest, force_range, range_after); break;
            case 'L': forced(rest, force_list, list_after); break;
            case 'S': self_name = std::string(rest); break;
            case 'A': fail_allocation = number(rest); break;
            case 'I': reenter = number(rest); break;
            case 'C': override_range_count = true; range_count = number(rest); break;
            case 'D': override_list_count = true; list_count = number(rest); break;
            case 'U': unterminated = true; break;
            case 'N': null_names = true; break;
            case 'W': wobble = true; break;
            default: break;
            }
        }
        if (fields.empty()) {
            static const char *defaults[][2] = {{"A1", "100"}, {"A2", "\x82\x51\x82\x4f"}, {"A3", " 3"},
                                                {"TOTAL", "123"}, {"Y", "2024"}, {"M", "2"},
                                                {"D", "29"}, {"MEMO", ""}};
            for (auto &d : defaults) { Field f; f.name = d[0]; f.value = d[1]; fields.push_back(f); }
        }
    }

    static HostileHost *self(uintptr_t ctx) { return reinterpret_cast<HostileHost *>(ctx); }

    static void put(char *dst, std::size_t size, const std::string &s, bool unterminated) {
        if (unterminated) {
            std::memset(dst, 0xFF, size);
            std::memcpy(dst, s.data(), s.size() < size ? s.size() : size);
        } else {
            std::size_t n = s.size() < size - 1 ? s.size() : size - 1;
            std::memcpy(dst, s.data(), n);
            dst[n] = '\0';
        }
    }

    // The same field read again answers something else: another number, a
    // blank, a full-width blank, a word, or a value that fills the record.
    static std::string wobbled(const std::string &value, unsigned call) {
        switch (call % 5) {
        case 0: return value + std::to_string(call);
        case 1: return "";
        case 2: return "\x81\x40" + value;
        case 3: return "x";
        default: return std::string(sizeof(PPR_FIELD_VALUE::value), '9');
        }
    }

    void call_back_into_library() {
        uint32_t out;
        PPR_CERTIFY_RESULT record;
        switch (reenter) {
        case 1: PPR_eval(&out, "A1", "[A1]==1"); break;
        case 2: PPR_certify(&record, "A1", "[A1]==1"); break;
        case 3: PPR_end(); break;
        case 4: install(); break;
        default: break;
        }
    }

    static int32_t value_cb(uintptr_t ctx, const char *name, PPR_FIELD_VALUE *rec) {
        HostileHost *h = self(ctx);
        h->call_back_into_library();
        if (h->force_value && h->value_calls++ >= h->value_after) return h->force_value;
        for (auto &f : h->fields) {
            if (f.name != name) continue;
            if (h->unterminated) std::memset(rec, 0xFF, sizeof *rec);
            rec->attr = f.attr;
            put(rec->type, sizeof rec->type, f.type, h->unterminated);
            put(rec->class_spec, sizeof rec->class_spec, f.class_spec, h->unterminated);
            std::string v = h->wobble ? wobbled(f.value, h->calls++) : f.value;
            put(rec->value, sizeof rec->value, v, h->unterminated);
            return 0;
        }
        return -1;
    }

    static int32_t range_cb(uintptr_t ctx, int32_t *count, char **names, int32_t capacity, char *store,
                            int32_t store_size) {
        HostileHost *h = self(ctx);
        if (h->force_range && h->range_calls++ >= h->range_after) return h->force_range;
        int32_t n = 0;
        for (auto &f : h->fields) {
            if (n >= capacity || (n + 1) * 33 > store_size) break;
            char *slot = store + n * 33;
            put(slot, 33, f.name, h->unterminated);
            names[n++] = h->null_names ? nullptr : slot;
        }
        *count = h->override_range_count ? h->range_count : n;
        return 0;
    }

    static int32_t list_cb(uintptr_t ctx, PPR_FIELD_ENTRY *entries, int32_t *count, int32_t capacity) {
        HostileHost *h = self(ctx);
        if (h->force_list && h->list_calls++ >= h->list_after) return h->force_list;
        int32_t n = 0;
        for (auto &name : h->excluded) {
            if (n >= capacity) break;
            if (h->unterminated) std::memset(&entries[n], 0xFF, sizeof entries[n]);
            put(entries[n].name, sizeof entries[n].name, name, h->unterminated);
            n++;
        }
        *count = h->override_list_count ? h->list_count : n;
        return 0;
    }

    uint32_t install() {
        PPR_PROC procs[3] = {reinterpret_cast<PPR_PROC>(&value_cb), reinterpret_cast<PPR_PROC>(&range_cb),
                             reinterpret_cast<PPR_PROC>(&list_cb)};
        uintptr_t ctx[3];
        for (auto &c : ctx) c = reinterpret_cast<uintptr_t>(this);
        return PPR_init(procs, ctx);
    }
};

}  // namespace talv_fuzz
