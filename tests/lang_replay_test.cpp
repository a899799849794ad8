// Untraced evaluations run a recorded parse; a text met again replays its
// record without preparing, scanning or parsing it.  The traced evaluation
// still runs the evaluating parser itself, so it is the reference: every
// replay must answer as it does, with the same host calls in the same order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lang/parse_record.h"
#include "service/state.h"
#include "support/alloc_sweep.h"
#include "support/fake_host.h"
#include "talvechk.h"
#include "talvechk_trace.h"

namespace {

using talv_test::FakeHost;

void ignore_step(uintptr_t, const TALV_TRACE_EVENT *) {}

struct Outcome {
    uint32_t ret = 0, out = 0;
    std::string message;  // the message argument, or the certify record's text
    std::vector<std::string> calls;
    long allocations = 0;
};

bool operator==(const Outcome &a, const Outcome &b) {
    return a.ret == b.ret && a.out == b.out && a.message == b.message && a.calls == b.calls;
}

std::ostream &operator<<(std::ostream &os, const Outcome &o) {
    os << "ret " << std::hex << o.ret << " out " << o.out << std::dec << " \"" << o.message << "\" calls";
    for (const std::string &c : o.calls) os << " [" << c << "]";
    return os;
}

class LangReplay : public ::testing::Test {
protected:
    FakeHost host;

    void SetUp() override {
        host.set("A", "1");
        host.set("B", "2");
        host.set("T", "3");
        host.set("U", "4");
        host.set("N1", "5");
        host.set("N2", "6");
        install();
    }
    void TearDown() override {
        talv_set_trace(nullptr, 0);
        talv::alloc_fail_at(0);
        PPR_end();
    }
    void install() { ASSERT_EQ(host.install(), 0u); }

    Outcome run(const char *field, const char *expr, bool certify = false, bool traced = false) {
        if (traced) {
            EXPECT_EQ(talv_set_trace(&ignore_step, 0), 0u);
        }
        host.calls.clear();
        talv::alloc_fail_at(0);
        Outcome o;
        if (certify) {
            PPR_CERTIFY_RESULT rec;
            const talv_test::EvalResult r = talv_test::certify(field, expr, &rec);
            o.ret = r.ret;
            o.out = r.out;
            o.message.assign(rec.text, strnlen(rec.text, sizeof rec.text));
        } else {
            const talv_test::EvalResult r = talv_test::eval(field, expr);
            o.ret = r.ret;
            o.out = r.out;
            o.message = talv::g_state.message_arg;
        }
        o.allocations = talv::alloc_count();
        o.calls = host.calls;
        if (traced) talv_set_trace(nullptr, 0);
        return o;
    }

    // The first untraced evaluation records, the later ones replay; the
    // traced one parses.  All answer alike.
    void expect_replays_as_parsed(const char *field, const char *expr, bool certify) {
        const Outcome parsed = run(field, expr, certify, true);
        const Outcome recorded = run(field, expr, certify);
        EXPECT_EQ(recorded, parsed) << expr;
        for (int again = 0; again < 3; ++again) {
            const Outcome replayed = run(field, expr, certify);
            EXPECT_EQ(replayed, parsed) << expr;
            EXPECT_EQ(replayed.allocations, recorded.allocations) << expr;
        }
    }
};

const char *const kTexts[] = {
    "[A]+[B]==@",
    "[N1]*[N2]==30",
    "[A]/[B]>=0.5 && [B]-[A]==1",
    "x=[A]*2, y=x+[B], y==@",
    "x=1, x",
    "-[B]<0 || -(-[A])==1",
    "((([A]+[B])*[N1]))==15",
    "sum([N1..2])==11",
    "sum([A], 2, 0.5)>=1",
    "ydate(2024, 2, 29) && [A]==1",
    "length('abc')==3",
    "'a'<='b'",
    "[A]",
    "[A]==2",            // false: the last statement fails
    "[A]==2, [B]==2",    // false before the second statement is read
    "[NONE]==1",         // a field the host does not have
    "[A]/0==1",
    "nofunction(1)",
    "a&&b",              // two missing variables: a syntax error
    "[A]==1, [B]+)",     // the first statement runs, then the error
    "[A]+[B]+",          // the error at the end
    "f(1,",
    "[A]==1 \x81\x40 rest",  // a two-byte character ends the text
    "[A]==1 $ rest",         // so does a stray end mark
    "1==1, (",
    "[ A ]==1",
    "@==3",
};

TEST_F(LangReplay, EveryEvaluationAnswersAsTheEvaluatingParser) {
    for (bool certify : {false, true})
        for (const char *expr : kTexts) expect_replays_as_parsed("T", expr, certify);
}

// Texts that fill the parser's stack, or nearly: the replay stops where the
// parser did, or runs as deep.
TEST_F(LangReplay, DeepTextsAsTheParserTakesThem) {
    const std::string texts[] = {std::string(505, '-') + "1", std::string(480, '-') + "1==-1",
                                 "sum(" + std::string(240, '-') + "[A], 1)==2", std::string(511, '-') + "@"};
    for (const std::string &t : texts) expect_replays_as_parsed("T", t.c_str(), false);
    EXPECT_EQ(run("T", texts[0].c_str()).out, TALV_E_SYNTAX);  // the stack is full
    EXPECT_EQ(run("T", texts[2].c_str()).out, TALV_OK);
}

TEST_F(LangReplay, TheFieldBeingCheckedIsTakenWhenReplayed) {
    for (const char *field : {"T", "U", "A", "NONE"}) expect_replays_as_parsed(field, "@==3 || @+1==[U]+1", false);
}

// The first evaluation stops early; once the form lets it through, the rest
// of the text runs, and back again.
TEST_F(LangReplay, AnEarlyFailureThenTheWholeText) {
    const char *expr = "[A]==2, [B]==2, z=[N1]*2, z==10";
    const uint32_t expected[] = {TALV_FALSE, TALV_FALSE, TALV_OK, TALV_FALSE};
    const char *a_values[] = {"1", "2", "2", "1"};
    const char *b_values[] = {"2", "3", "2", "2"};
    for (int round = 0; round < 4; ++round) {
        host.set("A", a_values[round]);
        host.set("B", b_values[round]);
        const Outcome parsed = run("T", expr, false, true);
        EXPECT_EQ(parsed.out, expected[round]) << round;
        EXPECT_EQ(run("T", expr), parsed) << round;
        EXPECT_EQ(run("T", expr), parsed) << round;
    }
}

// More texts than are kept, in turns: those pushed out are recorded again.
TEST_F(LangReplay, ManyTextsPastTheBound) {
    std::vector<std::string> texts;
    for (int i = 0; i < 150; ++i)
        texts.push_back("[A]+" + std::to_string(i) + (i % 3 ? "==" : "!=") + std::to_string(i + 1));
    std::vector<Outcome> parsed;
    for (const std::string &t : texts) parsed.push_back(run("T", t.c_str(), false, true));
    for (int round = 0; round < 3; ++round)
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const std::size_t at = round == 1 ? texts.size() - 1 - i : i;
            EXPECT_EQ(run("T", texts[at].c_str()), parsed[at]) << texts[at];
        }
}

// Texts met in turns, more than are kept: most of the records stay rather
// than each new one pushing out the next text due (once the records of
// earlier tests have given way).
TEST_F(LangReplay, TextsMetInTurnsKeepMostOfTheirRecords) {
    std::vector<std::string> texts;
    for (int i = 0; i < 100; ++i) texts.push_back("[B]-" + std::to_string(i) + "<=2");
    int found = 0;
    for (int round = 0; round < 6; ++round)
        for (const std::string &t : texts) {
            if (round == 5 && talv::find_parse_record(talv::record_key(t.c_str()), t.c_str())) ++found;
            EXPECT_EQ(talv_test::eval("T", t.c_str()).out, TALV_OK) << t;
        }
    EXPECT_GE(found, 40);
}

// A replayed evaluation fails at each of its allocations in turn, as one
// that parses does; after PPR_end the scanner's buffer is made again first.
TEST_F(LangReplay, EveryAllocationOfAReplayCanFail) {
    const char *exprs[] = {"x=[A]*2, sum([N1..2], x)==13", "[A]+[B]==@", "[A]==1, [B]+)"};
    for (const char *expr : exprs) {
        for (bool restart : {false, true}) {
            run("T", expr);
            const Outcome whole = run("T", expr);  // replayed, the scanner's buffer made before
            if (restart) {
                PPR_end();
                install();
            }
            const long failures = talv_test::sweep_allocation_failures(
                [&](long n) {
                    if (restart && n > 1) {
                        PPR_end();
                        install();
                    }
                },
                [&] { return talv_test::eval("T", expr); },
                [&](long n, const talv_test::EvalResult &r, bool done) {
                    EXPECT_EQ(r.ret, done ? whole.ret : TALV_R_NO_MEMORY) << expr << " allocation " << n;
                    EXPECT_EQ(r.out, done ? whole.out : TALV_E_INTERNAL) << expr << " allocation " << n;
                },
                2000);
            EXPECT_EQ(run("T", expr), whole) << expr;
            if (!restart) {
                EXPECT_EQ(failures, whole.allocations) << expr;
            }
        }
    }
}

// After PPR_end, a text met before costs the same allocations as one met
// for the first time: the scanner's buffer comes first either way.
TEST_F(LangReplay, AfterTheEndAReplayMakesTheScannerBuffer) {
    run("T", "[A]+1==2");
    const Outcome known = run("T", "[A]+1==2");
    PPR_end();
    install();
    const Outcome first_known = run("T", "[A]+1==2");
    PPR_end();
    install();
    const Outcome first_new = run("T", "[A]+2==3");
    EXPECT_EQ(first_known.allocations, first_new.allocations);
    EXPECT_GT(first_known.allocations, known.allocations);
    EXPECT_EQ(first_known, known);
}

}  // namespace
