// Whole check expressions through PPR_eval and PPR_certify with a simulated
// host: the grammar, its precedences and the moments at which actions run.
#include <gtest/gtest.h>

#include <string>

#include "support/fake_host.h"
#include "talvechk.h"

namespace {

using talv_test::FakeHost;

class LangEval : public ::testing::Test {
protected:
    FakeHost host;
    void SetUp() override {
        host.set("one", "1");
        host.set("two", "2");
        host.set("nine", "9");
        host.set("SELF", "7");
        ASSERT_EQ(host.install(), 0u);
    }
    void TearDown() override { PPR_end(); }

    static uint32_t out_of(const std::string &expr) {
        talv_test::EvalResult r = talv_test::eval("SELF", expr.c_str());
        EXPECT_EQ(r.ret, 0u) << expr;
        return r.out;
    }
    static uint32_t certified(const std::string &expr) {
        talv_test::EvalResult r = talv_test::certify("SELF", expr.c_str());
        EXPECT_EQ(r.ret, 0u) << expr;
        return r.out;
    }
};

struct Case {
    const char *expr;
    uint32_t out;
};
std::ostream &operator<<(std::ostream &os, const Case &c) { return os << '"' << c.expr << '"'; }

class LangEvalOutcome : public LangEval, public ::testing::WithParamInterface<Case> {};

TEST_P(LangEvalOutcome, GivesTheOutCode) { EXPECT_EQ(out_of(GetParam().expr), GetParam().out) << GetParam().expr; }

INSTANTIATE_TEST_SUITE_P(
    LangPrecedence, LangEvalOutcome,
    ::testing::Values(Case{"1+2*3==7", TALV_OK}, Case{"1+2*3==9", TALV_FALSE}, Case{"(1+2)*3==9", TALV_OK},
                      Case{"1-2-3==-4", TALV_OK}, Case{"1-2-3==2", TALV_FALSE}, Case{"-2*3==-6", TALV_OK},
                      Case{"2*3/4==1", TALV_OK}, Case{"2*(3/4)==0", TALV_OK}, Case{"8/4/2==1", TALV_OK},
                      Case{"--1==1", TALV_OK}, Case{"-1-1==-2", TALV_OK}, Case{"-(1+2)==-3", TALV_OK},
                      Case{"1<2", TALV_OK}, Case{"2>1", TALV_OK}, Case{"1<=1", TALV_OK}, Case{"1>=2", TALV_FALSE},
                      Case{"1!=1", TALV_FALSE},
                      // && binds tighter than ||
                      Case{"[one]==1 || [two]==9 && [nine]==2", TALV_OK},
                      Case{"[one]==9 || [two]==2 && [nine]==9", TALV_OK},
                      Case{"[one]==9 || [two]==2 && [nine]==2", TALV_FALSE},
                      Case{"([one]==1 || [two]==9) && [nine]==2", TALV_FALSE},
                      Case{"1==1 && 2==2 && 3==4", TALV_FALSE}, Case{"1==2 || 2==3 || 3==3", TALV_OK}));

INSTANTIATE_TEST_SUITE_P(
    LangStatements, LangEvalOutcome,
    ::testing::Values(Case{"x=5, x*2==10", TALV_OK}, Case{"x=5, x=x+1, x==6", TALV_OK}, Case{"x=1==2", TALV_E_SYNTAX},
                      Case{"x=2, x", TALV_OK}, Case{"x", TALV_E_NO_VALUE}, Case{"x=y", TALV_E_NO_VALUE},
                      Case{"0", TALV_OK}, Case{"1==2", TALV_FALSE}, Case{"1==1, 1==2, 1==1", TALV_FALSE},
                      Case{"'abc'", TALV_OK}, Case{"[one]", TALV_OK}, Case{"[absent]", TALV_E_NO_FIELD},
                      Case{"@==7", TALV_OK}, Case{"@*2==14", TALV_OK}, Case{"1/0==0", TALV_E_DIVIDE_BY_ZERO},
                      Case{"1==1,\n2==2", TALV_OK}, Case{"1==1,\t2==2", TALV_OK}));

// Unset variables a, b, c: the parse stops at the first token that allows
// neither a shift nor a reduction, before any further action runs.
INSTANTIATE_TEST_SUITE_P(
    LangSyntaxErrors, LangEvalOutcome,
    ::testing::Values(Case{"a<b<c", TALV_E_SYNTAX}, Case{"a=b=c", TALV_E_SYNTAX}, Case{"a&&b", TALV_E_SYNTAX},
                      Case{"a||b", TALV_E_SYNTAX}, Case{"(x=1)", TALV_E_SYNTAX}, Case{"f(1,)", TALV_E_SYNTAX},
                      Case{"f(,1)", TALV_E_SYNTAX}, Case{"1 2", TALV_E_SYNTAX}, Case{"$", TALV_E_SYNTAX},
                      Case{"1)", TALV_E_SYNTAX}, Case{"<>", TALV_E_SYNTAX}, Case{"a<>b", TALV_E_SYNTAX},
                      Case{"1=1", TALV_E_SYNTAX}, Case{"a==b a", TALV_E_SYNTAX}, Case{"(1==1)==1", TALV_E_SYNTAX},
                      Case{"1==1+(2==2)", TALV_E_SYNTAX}, Case{"a!b", TALV_E_SYNTAX}, Case{"a_b", TALV_E_SYNTAX},
                      Case{"1==1,", TALV_E_SYNTAX}, Case{",1==1", TALV_E_SYNTAX}, Case{"1==1;", TALV_E_SYNTAX}));

// An action runs once its rule is complete and the lookahead confirms it.
INSTANTIATE_TEST_SUITE_P(
    LangActionMoments, LangEvalOutcome,
    ::testing::Values(Case{"1==2,)", TALV_FALSE}, Case{"1==1,)", TALV_E_SYNTAX},
                      Case{"[x]==1)", TALV_E_NO_FIELD},      // ")" may follow a comparison
                      Case{"[x]==1 1", TALV_E_SYNTAX},       // a number may not
                      Case{"x=1/0 1", TALV_E_SYNTAX}, Case{"x=1/0, 1", TALV_E_DIVIDE_BY_ZERO},
                      Case{"nosuch() 1", TALV_E_NO_FUNCTION},  // a complete call needs no lookahead
                      Case{"nosuch(1) 1", TALV_E_NO_FUNCTION}, Case{"1/0 1", TALV_E_SYNTAX},
                      Case{"-x 1", TALV_E_SYNTAX}, Case{"a 1", TALV_E_SYNTAX}));

// Line ends, "$" and bytes 0x80..0xFF.
INSTANTIATE_TEST_SUITE_P(
    LangInputEnds, LangEvalOutcome,
    ::testing::Values(Case{"1==1\r\n2==2", TALV_E_SYNTAX}, Case{"1==1,\r\n2==2", TALV_E_SYNTAX},
                      Case{"1==2\r\n", TALV_E_SYNTAX}, Case{"1==1\n", TALV_OK},
                      Case{"1==1 $ ((( garbage", TALV_OK}, Case{"1==2 $ 1==1", TALV_FALSE},
                      Case{"1==1$", TALV_OK}, Case{"1==1\x82\xa0", TALV_OK}, Case{"1==2\x82\xa0 1==1", TALV_FALSE},
                      Case{"1==1 \xb1 )", TALV_OK}, Case{"\x82\xa0 1==2", TALV_E_SYNTAX}));

TEST_F(LangEval, NoShortCircuit) {
    EXPECT_EQ(out_of("1==1 || [absent]==1"), TALV_E_NO_FIELD);
    EXPECT_EQ(out_of("1==2 && [absent]==1"), TALV_E_NO_FIELD);
    host.value_calls = 0;
    EXPECT_EQ(out_of("[one]==1 || [two]==2"), TALV_OK);
    EXPECT_EQ(host.value_calls, 2);
}

TEST_F(LangEval, FalseStatementEndsTheEvaluation) {
    host.value_calls = 0;
    EXPECT_EQ(out_of("1==2, [one]==1"), TALV_FALSE);
    EXPECT_EQ(host.value_calls, 0);
    EXPECT_EQ(out_of("1==2, x=5"), TALV_FALSE);
}

TEST_F(LangEval, CertifyDoesNotReportFalseStatements) {
    EXPECT_EQ(certified("1==2"), TALV_OK);
    EXPECT_EQ(certified("1==2 || 2==3"), TALV_OK);
    EXPECT_EQ(certified("1==2, x=5, x==5"), TALV_OK);
    EXPECT_EQ(certified("1==2, x"), TALV_E_NO_VALUE);  // the evaluation went on past the false one
    EXPECT_EQ(certified("1==2,)"), TALV_E_SYNTAX);
    EXPECT_EQ(certified("a&&b"), TALV_E_SYNTAX);
}

// The grouping parenthesis makes a call a condition, which cannot be an
// operand; without it, or inside an argument list, the call is an expression.
TEST_F(LangEval, CallReadAsConditionOrExpression) {
    EXPECT_EQ(out_of("(length('ab'))+1==3"), TALV_E_SYNTAX);
    EXPECT_EQ(out_of("(length('ab'))==2"), TALV_E_SYNTAX);
    EXPECT_EQ(out_of("length('ab')+1==3"), TALV_OK);
    EXPECT_EQ(out_of("(length('ab')+0)==2"), TALV_OK);
    EXPECT_EQ(out_of("-(length('ab'))==-2"), TALV_OK);
    EXPECT_EQ(out_of("1+(length('ab'))==3"), TALV_OK);
    EXPECT_EQ(out_of("blank('')"), TALV_OK);
    EXPECT_EQ(out_of("(blank('x'))"), TALV_FALSE);
    EXPECT_EQ(out_of("blank('') && blank('x')"), TALV_FALSE);
    EXPECT_EQ(out_of("blank('x') || (blank(''))"), TALV_OK);
    EXPECT_EQ(out_of("nosuch(1)"), TALV_E_NO_FUNCTION);
}

TEST_F(LangEval, ArgumentsReachTheFunctionInSourceOrder) {
    EXPECT_EQ(out_of("sum(1, 20, 300)==321"), TALV_OK);
    EXPECT_EQ(out_of("sum([one], 1+1, @)==10"), TALV_OK);
    EXPECT_EQ(out_of("number('123', 'N1')==1.23"), TALV_OK);  // value first, format second
    EXPECT_EQ(out_of("sum()"), TALV_E_ARGUMENTS);             // no chain at all: row 0's argument error
}

// 498 unary minus signs and the number fill the 500-entry stacks with the
// start state; one sign more overflows them.
TEST_F(LangEval, UnaryMinusDepth) {
    EXPECT_EQ(out_of(std::string(497, '-') + "1==-1"), TALV_OK);
    EXPECT_EQ(out_of(std::string(498, '-') + "1==1"), TALV_OK);
    EXPECT_EQ(out_of(std::string(498, '-') + "1==2"), TALV_FALSE);
    EXPECT_EQ(out_of(std::string(499, '-') + "1==-1"), TALV_E_SYNTAX);
    EXPECT_EQ(out_of(std::string(510, '-') + "1"), TALV_E_SYNTAX);
    // the stacks start empty again
    EXPECT_EQ(out_of(std::string(498, '-') + "1"), TALV_OK);
}

TEST_F(LangEval, NothingOfAnEarlierTextSurvives) {
    EXPECT_EQ(out_of("1==1 $ 1==2"), TALV_OK);
    EXPECT_EQ(out_of("1==1"), TALV_OK);
    EXPECT_EQ(out_of("1==1 1==2 1==2"), TALV_E_SYNTAX);
    EXPECT_EQ(out_of("2==2"), TALV_OK);
    PPR_end();
    ASSERT_EQ(host.install(), 0u);
    EXPECT_EQ(out_of("2==2, 1==2"), TALV_FALSE);
}

}  // namespace
