// The functions compiled with and without 32-byte stores give the same
// result whichever the processor check picks: cells handed out again are all
// zeros, and evaluations over ranges (whose name table the wide variant
// clears) and over more cells than one chunk holds come out the same.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/fake_host.h"
#include "talvechk.h"
#include "values/clear.h"

namespace {

using talv_test::FakeHost;

class ValuesWideVariants : public ::testing::TestWithParam<bool> {
protected:
    FakeHost host;
    void SetUp() override {
        if (GetParam() && !talv::processor_has_wide_stores()) GTEST_SKIP() << "no 32-byte stores here";
        talv::use_wide_variants(GetParam());
        ASSERT_EQ(host.install(), 0u);
    }
    void TearDown() override {
        PPR_end();
        talv::use_wide_variants(talv::processor_has_wide_stores());
    }
};

TEST_P(ValuesWideVariants, CellsComeBackZeroed) {
    for (int round = 0; round < 2; ++round) {
        init_symbol_list();
        std::vector<Symbol *> cells;
        for (int i = 0; i < 300; ++i) {  // more than two chunks
            Symbol *s = sym_alloc();
            ASSERT_NE(s, nullptr);
            const auto *bytes = reinterpret_cast<const unsigned char *>(s);
            for (std::size_t b = 0; b < sizeof *s; ++b) ASSERT_EQ(bytes[b], 0u) << "cell " << i << " byte " << b;
            cells.push_back(s);
        }
        for (Symbol *s : cells) std::memset(s, 0xA5, sizeof *s);
        free_all_symbol();
    }
}

TEST_P(ValuesWideVariants, EvaluationsAgree) {
    std::string sum;  // 60 terms: more cells than a chunk holds, within 512 bytes
    for (int i = 1; i <= 200; ++i) {
        host.set("A" + std::to_string(i), std::to_string(i));
        if (i <= 60) sum += (i > 1 ? "+[A" : "[A") + std::to_string(i) + "]";
    }
    host.set("T", "20100");
    const struct {
        std::string expr;
        uint32_t out;
    } cases[] = {
        {"sum([A1..200])==@", 0},
        {"sum([A2..200])==@", TALV_FALSE},
        {"sum([A150..1])==11325", 0},
        {sum + "==1830", 0},
        {sum + "==1831", TALV_FALSE},
    };
    for (const auto &c : cases) {
        auto r = talv_test::eval("T", c.expr.c_str());
        EXPECT_EQ(r.ret, 0u) << c.expr;
        EXPECT_EQ(r.out, c.out) << c.expr;
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, ValuesWideVariants, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "wide" : "narrow"; });

}  // namespace
