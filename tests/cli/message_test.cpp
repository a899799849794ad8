// talvechk message of a wrong-arguments code names the functions of its row.
#include <gtest/gtest.h>

#include "run_cli.h"

using namespace cli_test;

namespace {

TEST(CliMessage, ArgumentCodeNamesTheFunctionsOfItsRow) {
    struct Case {
        const char *code, *note;
    };
    const Case cases[] = {
        {"A00A000A", "row 10 of its table: the built-in ydate (the companion library's table has no row 10)"},
        {"A000000A", "row 0 of its table: the built-in sum or the companion library's luhn"},
        {"0xA003000A", "the built-in setn or the companion library's corpnumber"},
        {"A00D000A", "the built-in time12"},  // the built-in table's last row
        {"A00E000A", "row 14 of its table: none (built-in rows 0 to 13, companion rows 0 to 5)"},
        {"A0FF000A", "row 255 of its table: none"},
    };
    for (const Case &c : cases) {
        CliRun r = talvechk({"message", c.code});
        EXPECT_EQ(r.status, 0) << c.code;
        EXPECT_EQ(r.out, "ﾁｪｯｸ式ｴﾗｰ： 関数  の引数が誤っています。\n") << c.code;
        EXPECT_NE(r.err.find("talvechk: note: "), std::string::npos) << c.code;
        EXPECT_NE(r.err.find(c.note), std::string::npos) << c.code << ": " << r.err;
    }
    for (const char *other : {"90000004", "A00A000B", "B00A000A"}) {
        CliRun r = talvechk({"message", other});
        EXPECT_EQ(r.err.find("row"), std::string::npos) << other << ": " << r.err;
    }
}

}  // namespace
