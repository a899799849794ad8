// Scaffolding for the operator tests: one evaluation's state with a
// simulated host, and operands of every kind the parser hands over.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/arith_numbers.h"
#include "support/names_env.h"
#include "values/modes.h"

namespace talv_test {

class ArithFixture : public ::testing::Test {
protected:
    std::unique_ptr<NamesEnv> env;

    void SetUp() override { open(false); }
    void TearDown() override {
        env.reset();
        talv::reset_number_modes();
    }

    // Starts a fresh evaluation, in certify mode or not.
    void open(bool certify) {
        env.reset();
        env = std::make_unique<NamesEnv>(certify);
        talv::reset_number_modes();
    }
    FakeHost &host() { return env->host; }

    // A NUMBER as an inner operator would hand it over, "-" allowed.
    Symbol *number(const std::string &text) {
        Num n = parse_num(text);
        return number_of(n);
    }
    Symbol *number_of(const Num &n) {
        Symbol *s = sym_alloc();
        for (int k = 0; k < 34; ++k) s->digits[k] = n.g[k];
        s->sign = n.sign;
        s->kind = TALV_NUMBER;
        return s;
    }
    Symbol *string(const std::string &text) { return make_symbol(TALV_STRING, text); }
    Symbol *field(const std::string &name) { return make_field(name); }
    Symbol *variable(const std::string &name) { return make_symbol(TALV_VARIABLE, name); }
    Symbol *error_symbol(uint32_t code) {
        Symbol *s = sym_alloc();
        s->status = 2;
        s->code = code;
        return s;
    }

    static std::string value_text(const Symbol *s) { return format_groups(s->digits, s->sign); }
};

}  // namespace talv_test
