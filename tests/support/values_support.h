// Helpers shared by the values tests: a fixture that owns the symbol list,
// Shift-JIS spelling of number text and a plain rendering of a number.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "talvechk.h"
#include "values/alloc.h"
#include "values/modes.h"

namespace values_test {

// The full-width spelling of digits, point, signs, yen sign (backslash) and
// blank; any other byte is kept as it is.
inline std::string fw(std::string_view ascii) {
    std::string out;
    for (char c : ascii) {
        unsigned code = 0;
        if (c >= '0' && c <= '9') code = 0x824F + static_cast<unsigned>(c - '0');
        else if (c == '.') code = 0x8144;
        else if (c == '-') code = 0x817C;
        else if (c == '+') code = 0x817B;
        else if (c == '\\') code = 0x818F;
        else if (c == ' ') code = 0x8140;
        if (code == 0) {
            out += c;
        } else {
            out += static_cast<char>(code >> 8);
            out += static_cast<char>(code & 0xFF);
        }
    }
    return out;
}

// "-123.45" style rendering straight from the groups.
inline std::string plain(const Symbol &sym) {
    std::string integer, fraction;
    char group[8];
    for (int k = 0; k < TALV_GROUPS; ++k) {
        std::snprintf(group, sizeof group, "%04u", static_cast<unsigned>(sym.digits[k]));
        (k < TALV_INT_GROUPS ? integer : fraction) += group;
    }
    integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size() - 1));
    fraction.erase(fraction.find_last_not_of('0') + 1);
    std::string out = sym.sign == 1 ? "-" : "";
    out += integer;
    if (!fraction.empty()) out += "." + fraction;
    return out;
}

class ValuesFixture : public ::testing::Test {
protected:
    void SetUp() override {
        talv::alloc_fail_at(0);
        init_symbol_list();
        talv::reset_number_modes();
    }
    void TearDown() override {
        talv::alloc_fail_at(0);
        free_all_symbol();
        talv::reset_number_modes();
    }

    // A fresh STRING Symbol holding the given bytes.
    Symbol *text_symbol(const std::string &bytes) {
        Symbol *sym = sym_alloc();
        EXPECT_NE(sym, nullptr);
        std::memcpy(sym->text, bytes.data(), std::min(bytes.size(), sizeof sym->text - 1));
        sym->kind = TALV_STRING;
        return sym;
    }
};

}  // namespace values_test
