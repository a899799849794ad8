// Test scaffolding for the names subsystem: installs a FakeHost straight into
// the evaluation state and opens one evaluation's symbol list and variable
// table, as the entry points do, so operations can be called directly.
#pragma once

#include <cstring>
#include <string>

#include "service/state.h"
#include "support/fake_host.h"
#include "talvechk.h"
#include "values/alloc.h"

namespace talv_test {

class NamesEnv {
public:
    FakeHost host;

    explicit NamesEnv(bool certify = false, bool with_list = true) {
        static_cast<talv::EvalSetup &>(talv::g_state) = talv::EvalSetup{};
        talv::g_state.callbacks[talv::kFieldValue] = reinterpret_cast<PPR_PROC>(&FakeHost::value_cb);
        talv::g_state.callbacks[talv::kFieldRange] = reinterpret_cast<PPR_PROC>(&FakeHost::range_cb);
        if (with_list) talv::g_state.callbacks[talv::kFieldList] = reinterpret_cast<PPR_PROC>(&FakeHost::list_cb);
        for (int slot = 0; slot < 3; ++slot) talv::g_state.contexts[slot] = host.context(slot);
        talv::g_state.certify_mode = certify ? 1 : 0;
        init_symbol_list();
        init_variable();
    }
    ~NamesEnv() {
        talv::alloc_fail_at(0);
        free_all_symbol();
        init_symbol_list();
        init_variable();
        static_cast<talv::EvalSetup &>(talv::g_state) = talv::EvalSetup{};
    }
    NamesEnv(const NamesEnv &) = delete;
    NamesEnv &operator=(const NamesEnv &) = delete;

    // Replaces one callback by a test's own, with its own context word.
    template <typename Proc>
    void replace(talv::CallbackSlot slot, Proc proc, uintptr_t context) {
        talv::g_state.callbacks[slot] = reinterpret_cast<PPR_PROC>(proc);
        talv::g_state.contexts[slot] = context;
    }

    std::string message_arg() const { return talv::g_state.message_arg; }
};

// A Symbol as the scanner would leave it, without going through its text
// rules, so tests can also build what the scanner never would.
inline Symbol *make_symbol(int kind, const std::string &text) {
    Symbol *s = sym_alloc();
    if (!s) return nullptr;
    std::memcpy(s->text, text.data(), text.size() < sizeof s->text ? text.size() : sizeof s->text);
    s->kind = kind;
    return s;
}
inline Symbol *make_field(const std::string &name) { return make_symbol(TALV_FIELD, name); }

// Links Symbols the way the parser hands arguments to call_function: the
// last argument first, each pointing back at the one before.
inline Symbol *parser_chain(std::initializer_list<Symbol *> args) {
    Symbol *prev = nullptr;
    for (Symbol *a : args) {
        a->next = prev;
        prev = a;
    }
    return prev;
}

// The full-width text StrNormal makes of `text`, for comparing field values.
inline std::string normalised(const std::string &text) {
    Symbol s{};
    StrNormal(text.c_str(), &s);
    return s.text;
}

}  // namespace talv_test
