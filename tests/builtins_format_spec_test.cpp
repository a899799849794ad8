// The format spec of number and setn, read from full-width text.
#include <gtest/gtest.h>

#include <string>

#include "builtins/builtins.h"

namespace {

// Full-width rendering of the ASCII characters a spec test needs.
std::string wide(const std::string &ascii) {
    std::string out;
    for (char c : ascii) {
        unsigned code = 0;
        if (c >= '0' && c <= '9') code = 0x824F + unsigned(c - '0');
        else if (c >= 'A' && c <= 'Z') code = 0x8260 + unsigned(c - 'A');
        else if (c >= 'a' && c <= 'z') code = 0x8281 + unsigned(c - 'a');
        else if (c == '*') code = 0x8196;
        else if (c == '!') code = 0x8149;
        else if (c == ' ') code = 0x8140;
        else if (c == '-') code = 0x817C;
        out += char(code >> 8);
        out += char(code & 0xFF);
    }
    return out;
}

struct SpecCase {
    const char *spec;
    bool valid;
    int32_t decimal_pos, all_blank_mode;   // after a start from 7 and 2
};

class BuiltinsFormatSpec : public ::testing::TestWithParam<SpecCase> {};

TEST_P(BuiltinsFormatSpec, ReadsOrRejectsAsAWhole) {
    const SpecCase &c = GetParam();
    int32_t pos = 7, blank_mode = 2;
    uint32_t code = talv::parse_format_spec(wide(c.spec).c_str(), &pos, &blank_mode);
    if (!c.valid) {
        EXPECT_EQ(code, TALV_E_ARGUMENTS);
        EXPECT_EQ(pos, 7);
        EXPECT_EQ(blank_mode, 2);
        return;
    }
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(pos, c.decimal_pos);
    EXPECT_EQ(blank_mode, c.all_blank_mode);
}

INSTANTIATE_TEST_SUITE_P(BuiltinsSpecItems, BuiltinsFormatSpec,
                         ::testing::Values(SpecCase{"", true, 7, 2}, SpecCase{"N3", true, 3, 2},
                                           SpecCase{"N*", true, 0, 2}, SpecCase{"N136", true, 136, 2},
                                           SpecCase{"N007", true, 7, 2}, SpecCase{"B0", true, 7, 4},
                                           SpecCase{"B*", true, 7, 4}, SpecCase{"B!", true, 7, 1},
                                           SpecCase{"N2B*", true, 2, 4}, SpecCase{"B!N12", true, 12, 1},
                                           SpecCase{"N2N5B!B0", true, 5, 4}, SpecCase{"N0", false, 0, 0},
                                           SpecCase{"N137", false, 0, 0}, SpecCase{"N", false, 0, 0},
                                           SpecCase{"NB0", false, 0, 0}, SpecCase{"n3", false, 0, 0},
                                           SpecCase{"b0", false, 0, 0}, SpecCase{"B1", false, 0, 0},
                                           SpecCase{"B", false, 0, 0}, SpecCase{"X", false, 0, 0},
                                           SpecCase{"N3 ", false, 0, 0}, SpecCase{"N-3", false, 0, 0},
                                           SpecCase{"N99999999999999999999", false, 0, 0},
                                           SpecCase{"N2X", false, 0, 0}));

TEST(BuiltinsFormatSpecText, ALoneTrailingByteIsInvalid) {
    int32_t pos = 0, blank_mode = 4;
    std::string spec = wide("N2") + "\x82";
    EXPECT_EQ(talv::parse_format_spec(spec.c_str(), &pos, &blank_mode), TALV_E_ARGUMENTS);
    spec = wide("B") + "\x82";
    EXPECT_EQ(talv::parse_format_spec(spec.c_str(), &pos, &blank_mode), TALV_E_ARGUMENTS);
    EXPECT_EQ(pos, 0);
}

}  // namespace
