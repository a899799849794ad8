// An expression met again is replayed from the record kept of its parse:
// the same answers, host calls and allocations as parsing it afresh,
// whatever the field being checked.  The parse is recorded to acceptance or
// to the syntax error whatever the rules do, so a check that a statement
// ends early still leaves the whole record.
#include <gtest/gtest.h>

#include <string>

#include "service/state.h"
#include "support/fake_host.h"
#include "talvechk.h"
#include "values/alloc.h"

namespace {

using talv_test::FakeHost;

struct Outcome {
    uint32_t ret, out;
    long allocations;
    int value_calls;
};

Outcome run(FakeHost &host, const char *field, const char *expr) {
    const int before = host.value_calls;
    talv::alloc_fail_at(0);
    const talv_test::EvalResult r = talv_test::eval(field, expr);
    return {r.ret, r.out, talv::alloc_count(), host.value_calls - before};
}

class LangKeptRecords : public ::testing::Test {
protected:
    FakeHost host;
    void SetUp() override {
        host.set("A", "1");
        host.set("B", "2");
        host.set("T", "3");
        host.set("U", "4");
        ASSERT_EQ(host.install(), 0u);
        talv_test::eval("T", "0==0");  // the scanner's buffer is made once, by the first evaluation
    }
    void TearDown() override { PPR_end(); }
};

TEST_F(LangKeptRecords, ReplayAnswersAsTheScanDid) {
    const char *exprs[] = {"[A]+[B]==@", "x=[A]*2, x+[B]==@ || 'a'<='b'", "sum([A], 2, 0.5)>=1 && -[B]<0",
                           "ydate(2024, 2, 29) > 0", "[A]==1 \x81\x40 anything", "[ A ]==1"};
    for (const char *expr : exprs) {
        const Outcome first = run(host, "T", expr);
        for (int again = 0; again < 2; ++again) {
            const Outcome next = run(host, "T", expr);
            EXPECT_EQ(next.ret, first.ret) << expr;
            EXPECT_EQ(next.out, first.out) << expr;
            EXPECT_EQ(next.allocations, first.allocations) << expr;
            EXPECT_EQ(next.value_calls, first.value_calls) << expr;
            EXPECT_EQ(talv::g_state.read_pos, talv::g_state.end_pos) << expr;
        }
    }
}

TEST_F(LangKeptRecords, TheFieldBeingCheckedIsTakenAfreshOnReplay) {
    EXPECT_EQ(run(host, "T", "@==3").out, TALV_OK);
    EXPECT_EQ(run(host, "U", "@==3").out, TALV_FALSE);
    EXPECT_EQ(run(host, "T", "@==3").out, TALV_OK);
    EXPECT_EQ(run(host, "NONE", "@==3").out, TALV_E_NO_FIELD);
}

TEST_F(LangKeptRecords, ARecordGoesOnPastTheStatementThatEndedTheCheck) {
    // The first statement fails before the rest is evaluated; once a form
    // lets it through, the replay meets the syntax error the parse recorded.
    const char *expr = "[A]==2, [B]==2, garbage ((";
    EXPECT_EQ(run(host, "T", expr).out, TALV_FALSE);
    host.set("A", "2");
    const Outcome whole = run(host, "T", expr);
    EXPECT_EQ(whole.out, TALV_E_SYNTAX);
    const Outcome replayed = run(host, "T", expr);
    EXPECT_EQ(replayed.out, TALV_E_SYNTAX);
    EXPECT_EQ(replayed.allocations, whole.allocations);
    host.set("A", "1");
    EXPECT_EQ(run(host, "T", expr).out, TALV_FALSE);
}

}  // namespace
