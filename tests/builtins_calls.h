// Calls built-ins the way the parser does: arguments made as the scanner
// makes them, chained last first, handed to call_function, against a
// simulated form.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "service/state.h"
#include "support/fake_host.h"
#include "talvechk.h"

namespace builtins_test {

class BuiltinCalls : public ::testing::Test {
protected:
    talv_test::FakeHost host;

    void SetUp() override {
        talv::g_state.callbacks[talv::kFieldValue] = reinterpret_cast<PPR_PROC>(&talv_test::FakeHost::value_cb);
        talv::g_state.callbacks[talv::kFieldRange] = reinterpret_cast<PPR_PROC>(&talv_test::FakeHost::range_cb);
        talv::g_state.callbacks[talv::kFieldList] = reinterpret_cast<PPR_PROC>(&talv_test::FakeHost::list_cb);
        for (int slot = 0; slot < 3; ++slot) talv::g_state.contexts[slot] = host.context(slot);
        talv::g_state.certify_mode = 0;
        talv::g_state.message_arg[0] = '\0';
        all_blank = 4;
        in_blank = 1;
        right_blank = 2;
        decimal_point = 0;
        init_symbol_list();
        init_variable();
    }

    void TearDown() override {
        free_all_symbol();
        init_symbol_list();
        for (int slot = 0; slot < 3; ++slot) {
            talv::g_state.callbacks[slot] = nullptr;
            talv::g_state.contexts[slot] = 0;
        }
        talv::g_state.certify_mode = 0;
    }

    // One argument as written in an expression: 'text', [FIELD], a plain
    // number, or -n (arriving as text, which reads as the same integer).
    static Symbol *arg(const std::string &written) {
        if (written.empty()) return nullptr;
        if (written[0] == '\'') return create_symbol(written.c_str(), TALV_STRING);
        if (written[0] == '[') {
            std::string token = written;
            token.back() = '$';
            return create_symbol(token.c_str(), TALV_FIELD);
        }
        if (written[0] == '-') return create_symbol(("'" + written + "'").c_str(), TALV_STRING);
        if ((written[0] >= '0' && written[0] <= '9') || written[0] == '.') return create_symbol(written.c_str(), TALV_NUMBER);
        return create_symbol(written.c_str(), TALV_VARIABLE);
    }

    // Splits "a, b, c" at commas outside quotes.
    static std::vector<std::string> split_args(const std::string &args) {
        std::vector<std::string> out;
        std::string cur;
        bool quoted = false;
        for (char c : args) {
            if (c == '\'') quoted = !quoted;
            if (c == ',' && !quoted) {
                out.push_back(cur);
                cur.clear();
                continue;
            }
            if (c == ' ' && !quoted) continue;
            cur += c;
        }
        if (!cur.empty() || !out.empty()) out.push_back(cur);
        return out;
    }

    // name(args) with the chain built last first, as the parser hands it over.
    static Symbol *call(const char *name, const std::string &args) {
        Symbol *chain = nullptr;
        for (const std::string &written : split_args(args)) {
            Symbol *a = arg(written);
            if (!a) return nullptr;
            a->next = chain;
            chain = a;
        }
        Symbol *fn = create_symbol(name, TALV_VARIABLE);
        return fn ? call_function(fn, chain) : nullptr;
    }

    // The integer a result stands for (its digits or its text).
    static int32_t integer_of(Symbol *result) {
        Symbol copy = *result;
        copy.status = 0;
        copy.next = nullptr;
        int32_t v = 0;
        symbol_to_long(&copy, &v);
        return v;
    }

    static std::string message_arg() { return talv::g_state.message_arg; }
};

// What a call should answer: true or false with a value, or an error code.
enum Outcome { kTrue, kFalse, kError };

struct CallCase {
    const char *name;
    const char *args;
    Outcome outcome;
    int64_t value;      // kTrue/kFalse: the integer the result stands for; kError: the code
};

inline std::ostream &operator<<(std::ostream &os, const CallCase &c) {
    return os << c.name << '(' << c.args << ')';
}

}  // namespace builtins_test
