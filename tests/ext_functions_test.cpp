// The companion library's functions as check expressions call them: through
// the function table, with fields, ranges, literals and variables.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <strings.h>

#include "builtins/builtins.h"
#include "support/fake_host.h"
#include "values/alloc.h"

namespace {

using talv_test::eval;
using talv_test::FakeHost;

class ExtFunctions : public ::testing::Test {
protected:
    FakeHost host;

    void SetUp() override {
        host.set("CARD", "4111 1111 1111 1111");
        host.set("CARDFW", "\x82\x53\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50"
                           "\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50\x82\x50");
        host.set("BAD", "4111111111111112");
        host.set("MY", "1234 5678 9018");
        host.set("CORP", "7000012050002");
        host.set("JAN", "4901234567894");
        host.set("ISBN", "4-10-101001-3");
        host.set("TXT", "12A4");
        host.set("EMPTY", "");
        host.set("LEN", "4");
        const char *my = "123456789018";
        for (int i = 0; i < 12; i++) host.set("M" + std::to_string(i + 1), std::string(1, my[i]));
        host.set("E1", "1");
        host.set("E2", " ");
        host.set("E3", "3");
        if (host.install() == TALV_R_INIT_BAD_PARAM) GTEST_SKIP() << "the evaluator is not built yet";
    }
    void TearDown() override { PPR_end(); }
};

struct Check {
    const char *expr;
    uint32_t out;
};

void expect_all(const Check *begin, const Check *end) {
    for (const Check *c = begin; c != end; ++c) {
        auto r = eval("CARD", c->expr);
        EXPECT_EQ(r.ret, 0u) << c->expr;
        EXPECT_EQ(r.out, c->out) << std::hex << c->expr << " gave " << r.out;
    }
}

constexpr uint32_t T = TALV_OK, F = TALV_FALSE;

TEST_F(ExtFunctions, Luhn) {
    const Check checks[] = {
        {"luhn([CARD])", T}, {"luhn([CARDFW])", T}, {"LUHN([CARD])", T},
        {"luhn([BAD])", F},
        {"luhn([BAD]) == 1", T},  // the value: the check digit the number calls for
        {"luhn('79927398713')", T}, {"luhn(79927398713)", T}, {"luhn('7992 7398 713')", T},
        {"luhn('79927398710')", F}, {"luhn([TXT])", F}, {"luhn([EMPTY])", F},
        {"luhn([TXT]) == 0 - 1", T},  // not an identifier at all
        {"luhn()", 0xA000000Au}, {"luhn(1, 2)", 0xA000000Au},
        {"luhn([NOPE])", TALV_E_NO_FIELD}, {"luhn(1 / 0)", TALV_E_DIVIDE_BY_ZERO},
        {"luhn([X1..3])", 0xA000000Au},  // a range none of whose fields exists
    };
    expect_all(std::begin(checks), std::end(checks));
}

TEST_F(ExtFunctions, Mod11) {
    const Check checks[] = {
        {"mod11([ISBN], '2,3,4,5,6,7,8,9,10')", T},
        {"mod11('080442957X', '2,3,4,5,6,7,8,9,10') == 10", T},
        {"mod11('080442957X', '2 3 4 5 6 7 8 9 10')", T},
        {"mod11('0804429570', '2,3,4,5,6,7,8,9,10')", F},
        {"mod11('1234560')", T},  // weights 2..7 from the right by default
        {"mod11('1234561')", F}, {"mod11('123456X')", F},
        {"mod11([ISBN], 'abc')", 0xA001000Au}, {"mod11([ISBN], '')", 0xA001000Au},
        {"mod11([ISBN], '0')", 0xA001000Au}, {"mod11()", 0xA001000Au}, {"mod11(1, '2', 3)", 0xA001000Au},
    };
    expect_all(std::begin(checks), std::end(checks));
}

TEST_F(ExtFunctions, IndividualNumber) {
    const Check checks[] = {
        {"mynumber([MY])", T}, {"mynumber([M1..12])", T}, {"mynumber('123456789000')", T},
        {"mynumber('123456789050')", T}, {"mynumber('123456789010')", F},
        {"mynumber('123456789010') == 0", T},
        {"mynumber('12345678901')", F}, {"mynumber('12345678901') == 0 - 1", T},
        {"mynumber('1234567890180')", F}, {"mynumber([M1..11])", F},
        {"mynumber()", 0xA002000Au},
    };
    expect_all(std::begin(checks), std::end(checks));
}

TEST_F(ExtFunctions, CorporateNumberAndEan) {
    const Check checks[] = {
        {"corpnumber([CORP])", T}, {"corpnumber('7000-01-205000-2')", T},
        {"corpnumber('7000--012050002')", F},  // one separator between two digits
        {"corpnumber('7000 0120 5000 2')", T}, {"corpnumber('6000012050002')", F},
        {"corpnumber('6000012050002') == 7", T}, {"corpnumber('700001205000')", F},
        {"corpnumber([CORP], 1)", 0xA003000Au},
        {"ean([JAN])", T}, {"ean('49123456')", T}, {"ean('4901234567895')", F},
        {"ean('4901234567895') == 4", T}, {"ean('490123456789')", F}, {"ean()", 0xA004000Au},
    };
    expect_all(std::begin(checks), std::end(checks));
}

TEST_F(ExtFunctions, Digits) {
    const Check checks[] = {
        {"digits('1234')", T}, {"digits(' 1234 ')", T}, {"digits('\x82\x4f\x82\x50')", T},
        {"digits([TXT])", F}, {"digits([TXT]) == 3", T}, {"digits([CARD])", F},
        {"digits([EMPTY])", F}, {"digits([M1..12], 12)", T}, {"digits([M1..12]) == 12", T},
        {"digits([E1..3])", F},  // an empty box
        {"digits('123', 3)", T}, {"digits('123', 4)", F}, {"digits('123', [LEN])", F},
        {"n = 3, digits('123', n)", T},
        {"digits('123', 0)", 0xA005000Au}, {"digits('123', 'x')", 0xA005000Au}, {"digits()", 0xA005000Au},
        {"digits(1, 2, 3)", 0xA005000Au},
    };
    expect_all(std::begin(checks), std::end(checks));
}

TEST_F(ExtFunctions, WrongArgumentsNameTheFunctionAsWritten) {
    PPR_CERTIFY_RESULT rec;
    auto r = talv_test::certify("CARD", "MyNumber(1, 2)", &rec);
    EXPECT_EQ(r.out, 0xA002000Au);
    EXPECT_STREQ(rec.text, "MyNumber");
    // Certify mode reports no false check.
    EXPECT_EQ(talv_test::certify("CARD", "luhn([BAD])").out, TALV_OK);
}

TEST_F(ExtFunctions, RunningOutOfMemoryAnywhereIsReported) {
    bool completed = false;
    for (int n = 1; n < 1000 && !completed; n++) {
        talv::alloc_fail_at(n);
        auto r = eval("CARD", "mynumber([M1..12]) && mod11([ISBN], '2,3,4,5,6,7,8,9,10') && digits([TXT], 3)");
        talv::alloc_fail_at(0);
        if (r.ret == TALV_R_NO_MEMORY) continue;
        EXPECT_EQ(r.ret, 0u) << n;
        EXPECT_EQ(r.out, F) << n;  // digits([TXT], 3) is false
        completed = true;
    }
    EXPECT_TRUE(completed);
}

// The table's own promises: every row named, none hiding a built-in.
TEST(ExtFunctionTable, NamesAreDistinctFromTheBuiltIns) {
    int rows = 0;
    for (const FuncTab *row = ext_func_tab; row->func; ++row, ++rows) {
        ASSERT_LT(rows, 64);
        EXPECT_NE(row->name[0], '\0');
        EXPECT_LT(std::strlen(row->name), sizeof row->name);
        for (const FuncTab *b = talv::builtin_func_tab; b->func; ++b)
            EXPECT_NE(strcasecmp(row->name, b->name), 0) << row->name;
    }
    EXPECT_EQ(rows, 6);
}

}  // namespace
