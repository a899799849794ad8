// An operator reading a field against the same operator reading the field's
// text from a Symbol that holds it already: a field read hands some values
// straight over, and whichever way a value goes, the result, its code and
// the message argument come out the same, under every number mode.
#include <gtest/gtest.h>

#include <string>

#include "support/arith_env.h"
#include "support/values_support.h"

namespace {

using values_test::fw;
using BinaryOp = Symbol *(*)(Symbol *, Symbol *);

class NamesFieldReadPaths : public talv_test::ArithFixture {
protected:
    struct Outcome {
        int32_t kind, status, sign;
        uint32_t code;
        std::string digits, message;
    };
    static Outcome outcome(const Symbol *r) {
        Outcome o{r->kind, r->status, r->sign, r->code, "", talv::g_state.message_arg};
        if (r->status < 2 && r->kind == TALV_NUMBER) o.digits = value_text(r);
        return o;
    }
    static void expect_same(const Outcome &read, const Outcome &given, const std::string &where) {
        EXPECT_EQ(read.kind, given.kind) << where;
        EXPECT_EQ(read.status, given.status) << where;
        EXPECT_EQ(read.code, given.code) << where;
        EXPECT_EQ(read.sign, given.sign) << where;
        EXPECT_EQ(read.digits, given.digits) << where;
        EXPECT_EQ(read.message, given.message) << where;
    }
};

TEST_F(NamesFieldReadPaths, OperatorsReadAFieldAsTheyReadItsText) {
    const std::string texts[] = {
        "0", "7", "31250", "007", fw("1200"), "\x82\x52" "0", "  45", fw(" 45"), "45 ", fw("45  "),
        " 561 ", std::string(19, '9'), std::string(20, '9'), std::string(21, '1'), "", "   ", fw("  "),
        "-5", "+5", fw("-5"), " -5", "\\1200", fw("\\1200"), "1,200", "1.5", fw("0.25"), "1 2", "12A",
        "12\x01", "\x83\x31", "5\x82", "\x82\x59", std::string(200, '3'), std::string(133, ' ') + "12",
        std::string(134, ' ') + "12",
    };
    const struct {
        const char *what;
        BinaryOp op;
    } ops[] = {{"+", op_add}, {"*", op_mul}, {"/", op_div}, {"==", relop_eq}, {"<", relop_lt}};
    for (int32_t right : {talv::kBlankError, talv::kBlankIgnore, talv::kBlankAsZero})
        for (int32_t all : {talv::kBlankError, talv::kBlankAsZero})
            for (int32_t in : {talv::kBlankError, talv::kBlankIgnore, talv::kBlankAsZero})
                for (int32_t point : {0, 2})
                    for (const std::string &text : texts)
                        for (const auto &op : ops)
                            for (bool field_left : {true, false}) {
                                open(false);
                                right_blank = right;
                                all_blank = all;
                                in_blank = in;
                                decimal_point = point;
                                host().set("F", text);
                                const std::string held = talv_test::normalised(text);
                                auto run = [&](Symbol *operand) {
                                    talv::set_message_arg("");
                                    Symbol *r = field_left ? op.op(operand, number("4")) : op.op(number("4"), operand);
                                    EXPECT_NE(r, nullptr);
                                    return r ? outcome(r) : Outcome{};
                                };
                                const Outcome read = run(field("F"));
                                const Outcome given = run(string(held));
                                const std::string where = std::string(op.what) + " on \"" + text + "\", modes " +
                                                          std::to_string(all) + std::to_string(in) +
                                                          std::to_string(right) + std::to_string(point);
                                expect_same(read, given, where);
                            }
}

// Two fields read as whole numbers multiply and divide in a word while the
// result fits; past it, and beside any other operand, the groups decide.
TEST_F(NamesFieldReadPaths, TwoFieldsCombineAsTheirTextsDo) {
    const std::string texts[] = {
        "0", "1", "7", "37", "4980", fw("1200"), " 45 ", "4294967296", "4294967295", "18446744073709551",
        std::string(19, '9'), "1844674407370955161", "3037000499", "3037000500", "-5", "1.5", "", "12A",
        std::string(20, '9'),
    };
    const struct {
        const char *what;
        BinaryOp op;
    } ops[] = {{"*", op_mul}, {"/", op_div}};
    for (int32_t right : {talv::kBlankError, talv::kBlankIgnore})
        for (const std::string &a : texts)
            for (const std::string &b : texts)
                for (const auto &op : ops) {
                    open(false);
                    right_blank = right;
                    host().set("F", a);
                    host().set("G", b);
                    auto run = [&](Symbol *x, Symbol *y) {
                        talv::set_message_arg("");
                        Symbol *r = op.op(x, y);
                        EXPECT_NE(r, nullptr);
                        return r ? outcome(r) : Outcome{};
                    };
                    const Outcome read = run(field("F"), field("G"));
                    const Outcome given = run(string(talv_test::normalised(a)), string(talv_test::normalised(b)));
                    const std::string where = "\"" + a + "\" " + op.what + " \"" + b + "\"";
                    expect_same(read, given, where);
                }
}

// Names of every length around a machine word and the 32-byte cut, each
// followed in the Symbol by bytes that are not part of it.
TEST_F(NamesFieldReadPaths, TheHostIsAskedForTheNameAsTheSymbolHoldsIt) {
    for (std::size_t n = 0; n <= 40; ++n) {
        std::string name;
        for (std::size_t k = 0; k < n; ++k) name += static_cast<char>('A' + k % 26);
        host().set(name.substr(0, 32), "1");
        for (const char *after : {"", "\x01XYZ", "\x82\x50\x82"}) {
            Symbol *f = field(name);
            std::memcpy(f->text + n + 1, after, std::strlen(after));  // past the terminator
            host().calls.clear();
            ASSERT_NE(reference_field(f), nullptr);
            EXPECT_EQ(host().calls, std::vector<std::string>{"value " + name.substr(0, 32)}) << n;
        }
    }
}

}  // namespace
