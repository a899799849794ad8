#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "service/evaluation.h"
#include "service/state.h"
#include "support/cp932.h"
#include "support/fake_host.h"

namespace {

using talv::g_state;
using talv_test::cp932;
using talv_test::FakeHost;

// Nothing here needs the parser: every outcome asserted is decided before it
// runs, or is state the parser leaves alone for the expression given.
class ServiceEntry : public ::testing::Test {
protected:
    void SetUp() override { PPR_end(); }
    void TearDown() override { PPR_end(); }
    FakeHost host;
};

TEST_F(ServiceEntry, InitRefusesMissingCallbacksAndKeepsTheState) {
    ASSERT_EQ(host.install(), 0u);
    PPR_PROC cb = g_state.callbacks[0];
    PPR_PROC no_second[3] = {cb, nullptr, cb};
    PPR_PROC no_first[3] = {nullptr, cb, cb};
    uintptr_t ctx[3] = {7, 8, 9};
    EXPECT_EQ(PPR_init(no_second, ctx), TALV_R_INIT_BAD_PARAM);
    EXPECT_EQ(PPR_init(no_first, ctx), TALV_R_INIT_BAD_PARAM);
    EXPECT_EQ(PPR_init(nullptr, ctx), TALV_R_INIT_BAD_PARAM);
    EXPECT_EQ(PPR_init(no_second, nullptr), TALV_R_INIT_BAD_PARAM);
    EXPECT_EQ(g_state.contexts[0], host.context(0));
    EXPECT_EQ(g_state.contexts[2], host.context(2));
    EXPECT_NE(g_state.callbacks[2], nullptr);
}

TEST_F(ServiceEntry, InitStoresTwoOrThreeCallbacks) {
    g_state.result_word = 0x90000001u;
    ASSERT_EQ(host.install(true), 0u);
    EXPECT_EQ(g_state.result_word, 0u);
    for (int slot = 0; slot < 3; ++slot) {
        EXPECT_NE(g_state.callbacks[slot], nullptr);
        EXPECT_EQ(g_state.contexts[slot], host.context(slot));
    }
    EXPECT_EQ(g_state.callbacks[3], nullptr);

    // A second call with two callbacks clears slot 2.
    ASSERT_EQ(host.install(false), 0u);
    EXPECT_EQ(g_state.callbacks[2], nullptr);
    EXPECT_EQ(g_state.contexts[2], 0u);
}

TEST_F(ServiceEntry, TwoCallbacksAllowEvalButNotCertify) {
    ASSERT_EQ(host.install(false), 0u);
    PPR_CERTIFY_RESULT rec;
    auto c = talv_test::certify("A", "1==1", &rec);
    EXPECT_EQ(c.ret, TALV_R_CERT_NOT_INIT);
    EXPECT_EQ(c.out, TALV_E_INTERNAL);
    EXPECT_EQ(std::string(rec.text), cp932("内部異常が発生しました。"));

    auto e = talv_test::eval("A", "  ");
    EXPECT_EQ(e.ret, 0u);
    EXPECT_EQ(e.out, 0u);
}

TEST_F(ServiceEntry, NotInitialisedBeforeInitAndAfterEnd) {
    auto e = talv_test::eval("A", "1==1");
    EXPECT_EQ(e.ret, TALV_R_EVAL_NOT_INIT);
    EXPECT_EQ(e.out, TALV_E_INTERNAL);

    ASSERT_EQ(host.install(), 0u);
    EXPECT_EQ(PPR_end(), 0u);
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_EQ(g_state.callbacks[slot], nullptr);
        EXPECT_EQ(g_state.contexts[slot], 0u);
    }
    e = talv_test::eval("A", "1==1");
    EXPECT_EQ(e.ret, TALV_R_EVAL_NOT_INIT);
    EXPECT_EQ(e.out, TALV_E_INTERNAL);
    auto c = talv_test::certify("A", "1==1");
    EXPECT_EQ(c.ret, TALV_R_CERT_NOT_INIT);
    EXPECT_EQ(c.out, TALV_E_INTERNAL);
}

struct EarlyCase {
    const char *expr;
    uint32_t code;
    const char *message;   // the certify record's text; null: left as it was
};

const EarlyCase kEarlyCases[] = {
    {"", 0, nullptr},
    {"    \t ", 0, nullptr},
    {"\x81\x40\x81\x40", 0, nullptr},                // full-width blanks
    {"\x83\x41 \x83\x5B\x81\x40\x83\x5D", 0, nullptr},  // ア ゼ ゾ: trail bytes look like ASCII
    {"(((((((1)))))))==1", TALV_E_PARENTHESES, "ﾁｪｯｸ式ｴﾗｰ： 括弧が多すぎます。（最大６重）"},
    {"'abc'==[A", TALV_E_SYNTAX, "ﾁｪｯｸ式ｴﾗｰ： 構文に誤りがあります。"},
    {"'abc==1", TALV_E_SYNTAX, "ﾁｪｯｸ式ｴﾗｰ： 構文に誤りがあります。"},
};

TEST_F(ServiceEntry, OutcomesDecidedBeforeParsing) {
    ASSERT_EQ(host.install(), 0u);
    for (const auto &c : kEarlyCases) {
        auto e = talv_test::eval("A", c.expr);
        EXPECT_EQ(e.ret, 0u) << c.expr;
        EXPECT_EQ(e.out, c.code) << c.expr;

        PPR_CERTIFY_RESULT rec;
        auto r = talv_test::certify("A", c.expr, &rec);
        EXPECT_EQ(r.ret, 0u) << c.expr;
        EXPECT_EQ(r.out, c.code) << c.expr;
        if (c.message)
            EXPECT_EQ(std::string(rec.text), cp932(c.message)) << c.expr;
        else
            EXPECT_EQ(rec.text[0], 0x55) << c.expr;
    }
    EXPECT_EQ(host.value_calls + host.range_calls + host.list_calls, 0);
}

TEST_F(ServiceEntry, TooLongAt513BytesBeforeAnyPreparation) {
    ASSERT_EQ(host.install(), 0u);
    std::string at512 = "1==1" + std::string(508, ' ');
    ASSERT_EQ(at512.size(), 512u);
    auto e = talv_test::eval("A", at512.c_str());
    EXPECT_EQ(e.ret, 0u);
    EXPECT_NE(e.out, TALV_E_TOO_LONG);
    EXPECT_EQ(std::string(g_state.scanner_input), at512);
    EXPECT_EQ(g_state.end_pos, 512u);

    all_blank = 1;
    std::strcpy(g_state.self_field, "[kept$");
    const std::string at513 = at512 + "1";
    e = talv_test::eval("B", at513.c_str());
    EXPECT_EQ(e.ret, 0u);
    EXPECT_EQ(e.out, TALV_E_TOO_LONG);
    EXPECT_EQ(all_blank, 1);
    EXPECT_STREQ(g_state.self_field, "[kept$");

    PPR_CERTIFY_RESULT rec;
    auto c = talv_test::certify("B", at513.c_str(), &rec);
    EXPECT_EQ(c.ret, 0u);
    EXPECT_EQ(c.out, TALV_E_TOO_LONG);
    EXPECT_EQ(std::string(rec.text), cp932("ﾁｪｯｸ式ｴﾗｰ： 式が長すぎます。"));
}

TEST_F(ServiceEntry, PreparationResetsTheEvaluationState) {
    host.set("A", "1");  // so that the evaluation itself names nothing
    ASSERT_EQ(host.install(), 0u);
    all_blank = 1;
    in_blank = 4;
    right_blank = 4;
    decimal_point = 3;
    std::memset(g_state.message_arg, 'x', sizeof g_state.message_arg);
    g_state.certify_mode = 1;

    talv_test::eval("TOTAL", "[A]==1");
    EXPECT_EQ(g_state.certify_mode, 0);
    EXPECT_STREQ(g_state.self_field, "[TOTAL$");
    EXPECT_STREQ(g_state.scanner_input, "[A$==1");
    EXPECT_EQ(g_state.end_pos, 6u);
    EXPECT_EQ(std::string(g_state.message_arg, sizeof g_state.message_arg), std::string(512, '\0'));
    EXPECT_EQ(all_blank, 4);
    EXPECT_EQ(in_blank, 1);
    EXPECT_EQ(right_blank, 2);
    EXPECT_EQ(decimal_point, 0);

    // Certify mode; a parse that raises nothing leaves the record's text empty.
    PPR_CERTIFY_RESULT rec;
    talv_test::certify("T", "1==1", &rec);
    EXPECT_EQ(g_state.certify_mode, 1);
    EXPECT_STREQ(g_state.self_field, "[T$");
    EXPECT_EQ(std::string(rec.text, sizeof rec.text), std::string(512, '\0'));
}

TEST_F(ServiceEntry, FieldNameOf61BytesFitsAndLongerIsRefused) {
    ASSERT_EQ(host.install(), 0u);
    const std::string name61(61, 'F');
    talv_test::eval(name61.c_str(), "1==1");
    EXPECT_EQ(std::string(g_state.self_field), "[" + name61 + "$");

    const std::string name62(62, 'G');
    auto e = talv_test::eval(name62.c_str(), "1==1");
    EXPECT_EQ(e.ret, TALV_R_EVAL_BAD_PARAM);
    EXPECT_EQ(e.out, TALV_E_INTERNAL);
    PPR_CERTIFY_RESULT rec;
    auto c = talv_test::certify(name62.c_str(), "1==1", &rec);
    EXPECT_EQ(c.ret, TALV_R_CERT_BAD_PARAM);
    EXPECT_EQ(c.out, TALV_E_INTERNAL);
    EXPECT_EQ(std::string(rec.text), cp932("内部異常が発生しました。"));
    EXPECT_EQ(std::string(g_state.self_field), "[" + name61 + "$");
}

TEST_F(ServiceEntry, NullPointersRefused) {
    ASSERT_EQ(host.install(), 0u);
    EXPECT_EQ(PPR_eval(nullptr, "A", "1"), TALV_R_EVAL_BAD_PARAM);
    uint32_t out = 1;
    EXPECT_EQ(PPR_eval(&out, nullptr, "1"), TALV_R_EVAL_BAD_PARAM);
    EXPECT_EQ(out, TALV_E_INTERNAL);
    out = 1;
    EXPECT_EQ(PPR_eval(&out, "A", nullptr), TALV_R_EVAL_BAD_PARAM);
    EXPECT_EQ(out, TALV_E_INTERNAL);

    EXPECT_EQ(PPR_certify(nullptr, "A", "1"), TALV_R_CERT_BAD_PARAM);
    PPR_CERTIFY_RESULT rec{};
    EXPECT_EQ(PPR_certify(&rec, nullptr, "1"), TALV_R_CERT_BAD_PARAM);
    EXPECT_EQ(rec.code, TALV_E_INTERNAL);
    rec.code = 0;
    EXPECT_EQ(PPR_certify(&rec, "A", nullptr), TALV_R_CERT_BAD_PARAM);
    EXPECT_EQ(rec.code, TALV_E_INTERNAL);
}

struct MappingCase {
    uint32_t word, code, eval_ret, certify_ret;
};

const MappingCase kMappingCases[] = {
    {TALV_I_NO_MEMORY, TALV_E_INTERNAL, 8, 8},
    {TALV_I_CALLBACK_FAILED, TALV_E_INTERNAL, 0xE5442E03u, 0xE5432E03u},
    {TALV_I_AREA_EXCEEDED, TALV_E_INTERNAL, 0xE5442E04u, 0xE5432E04u},
    {TALV_I_BAD_CHARACTER, TALV_E_INTERNAL, 0xE5442E05u, 0xE5432E05u},
    {0, 0, 0, 0},
    {0x80000000u, 0x80000000u, 0, 0},
    {0x90000002u, 0x90000002u, 0, 0},
    {0xA003000Au, 0xA003000Au, 0, 0},
    {TALV_E_INTERNAL, TALV_E_INTERNAL, 0, 0},
    {0xF0000005u, 0xF0000005u, 0, 0},
};

TEST(ServiceMapping, InternalCodesNeverReachTheHost) {
    const talv::EntryCodes eval{TALV_R_EVAL_CALLBACK, TALV_R_EVAL_AREA, TALV_R_EVAL_BAD_CHAR};
    const talv::EntryCodes certify{TALV_R_CERT_CALLBACK, TALV_R_CERT_AREA, TALV_R_CERT_BAD_CHAR};
    for (const auto &c : kMappingCases) {
        talv::Outcome e = talv::map_result_word(c.word, eval);
        talv::Outcome r = talv::map_result_word(c.word, certify);
        EXPECT_EQ(e.code, c.code) << std::hex << c.word;
        EXPECT_EQ(r.code, c.code) << std::hex << c.word;
        EXPECT_EQ(e.ret, c.eval_ret) << std::hex << c.word;
        EXPECT_EQ(r.ret, c.certify_ret) << std::hex << c.word;
    }
}

}  // namespace
