// The evaluation trace through the public entry points: the steps each kind
// of expression reports, their spans in the host's text, syntax-error
// places, and that tracing changes nothing else and cannot be re-entered.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "support/cp932.h"
#include "support/fake_host.h"
#include "talvechk_trace.h"

namespace {

using talv_test::cp932;
using talv_test::eval;
using talv_test::FakeHost;

struct Recorded {
    TALV_TRACE_EVENT event;
    std::string name, text, value, left, right;
    std::string why, difference, culprit, culprit_text;
};

struct Recorder {
    std::vector<Recorded> events;
    static void proc(uintptr_t context, const TALV_TRACE_EVENT *e) {
        reinterpret_cast<Recorder *>(context)->events.push_back(
            {*e, e->name, e->text, e->value, e->left, e->right, e->why, e->difference, e->culprit, e->culprit_text});
    }
    void install() { ASSERT_EQ(talv_set_trace(&Recorder::proc, reinterpret_cast<uintptr_t>(this)), 0u); }
};

const char *kind_word(uint32_t kind) {
    switch (kind) {
    case TALV_TRACE_FIELD: return "field";
    case TALV_TRACE_OPERATOR: return "op";
    case TALV_TRACE_COMPARISON: return "cmp";
    case TALV_TRACE_LOGICAL: return "logic";
    case TALV_TRACE_CALL: return "call";
    case TALV_TRACE_ASSIGNMENT: return "assign";
    case TALV_TRACE_STATEMENT: return "stmt";
    case TALV_TRACE_SYNTAX_ERROR: return "syntax";
    case TALV_TRACE_END: return "end";
    default: return "?";
    }
}

std::string piece(const std::string &expr, uint32_t start, uint32_t length) {
    if (start > expr.size()) return "<out of text>";
    return expr.substr(start, length);
}

// One line per event: kind, the underlined piece, name=value, operands, status.
std::string describe(const Recorded &r, const std::string &expr) {
    const TALV_TRACE_EVENT &e = r.event;
    std::string line = std::string(kind_word(e.kind)) + " '" + piece(expr, e.start, e.length) + "' " + r.name;
    if (!r.value.empty()) line += "=" + r.value;
    if (e.kind == TALV_TRACE_OPERATOR || e.kind == TALV_TRACE_COMPARISON || e.kind == TALV_TRACE_LOGICAL)
        line += " (" + piece(expr, e.left_start, e.left_length) + ":" + r.left + ", " +
                piece(expr, e.right_start, e.right_length) + ":" + r.right + ")";
    line += " s" + std::to_string(e.status);
    if (e.code) {
        char hex[16];
        std::snprintf(hex, sizeof hex, " %08X", e.code);
        line += hex;
    }
    return line;
}

class Trace : public ::testing::Test {
protected:
    FakeHost host;
    Recorder recorder;
    void SetUp() override {
        ASSERT_EQ(host.install(), 0u);
        for (auto [name, value] : {std::pair{"A1", "1"}, {"A2", "2"}, {"A3", "3"}, {"T", "6"}, {"Q", "3"},
                                   {"P", "4"}, {"Y", "2024"}, {"M", "2"}, {"D", "30"}, {"S", "abc"}})
            host.set(name, value);
    }
    void TearDown() override {
        talv_set_trace(nullptr, 0);
        PPR_end();
    }
    std::vector<std::string> trace_of(const std::string &expr, uint32_t *out = nullptr) {
        recorder.events.clear();
        recorder.install();
        auto r = eval("T", expr.c_str());
        talv_set_trace(nullptr, 0);
        if (out) *out = r.out;
        std::vector<std::string> lines;
        for (const Recorded &e : recorder.events) lines.push_back(describe(e, expr));
        return lines;
    }
};

struct StepCase {
    const char *label;
    std::string expr;
    std::vector<std::string> lines;
};

void PrintTo(const StepCase &c, std::ostream *os) { *os << c.label; }

class TraceSteps : public Trace, public ::testing::WithParamInterface<StepCase> {};

TEST_P(TraceSteps, OneEventPerStepInOrder) {
    EXPECT_EQ(trace_of(GetParam().expr), GetParam().lines);
}

const std::string kWideAbc = cp932("ａｂｃ");

INSTANTIATE_TEST_SUITE_P(
    Kinds, TraceSteps,
    ::testing::Values(
        StepCase{"RangeSumAgainstSelf", "sum([A1..3])==@",
                 {"field '[A1..3]' A1=1 s0", "field '[A1..3]' A2=2 s0", "field '[A1..3]' A3=3 s0",
                  "call 'sum([A1..3])' sum=6 s0", "field '@' T=6 s0",
                  "cmp 'sum([A1..3])==@' == (sum([A1..3]):6, @:6) s0", "stmt 'sum([A1..3])==@'  s0"}},
        StepCase{"Operator", "[Q]*[P]==12",
                 {"field '[Q]' Q=3 s0", "field '[P]' P=4 s0", "op '[Q]*[P]' *=12 ([Q]:3, [P]:4) s0",
                  "cmp '[Q]*[P]==12' == ([Q]*[P]:12, 12:12) s0", "stmt '[Q]*[P]==12'  s0"}},
        StepCase{"UnaryMinusAndFraction", "-[Q]/2==-1.5",
                 {"field '[Q]' Q=3 s0", "op '-[Q]' -=-3 (:, [Q]:3) s0", "op '-[Q]/2' /=-1 (-[Q]:-3, 2:2) s0",
                  "op '-1.5' -=-1.5 (:, 1.5:1.5) s0", "cmp '-[Q]/2==-1.5' == (-[Q]/2:-1, -1.5:-1.5) s1",
                  "stmt '-[Q]/2==-1.5'  s1 80000000"}},
        StepCase{"AssignmentThenVariable", "x=[Q]+1, x==4",
                 {"field '[Q]' Q=3 s0", "op '[Q]+1' +=4 ([Q]:3, 1:1) s0", "assign 'x=[Q]+1' x=4 s0",
                  "stmt 'x=[Q]+1'  s0", "cmp 'x==4' == (x:4, 4:4) s0", "stmt 'x==4'  s0"}},
        StepCase{"DateCall", "ydate([Y],[M],[D])",
                 {"field '[Y]' Y=2024 s0", "field '[M]' M=2 s0", "field '[D]' D=30 s0",
                  "call 'ydate([Y],[M],[D])' ydate=0 s1", "stmt 'ydate([Y],[M],[D])'  s1 80000000"}},
        StepCase{"LogicalJoin", "1==1 || [A1]==2",
                 {"cmp '1==1' == (1:1, 1:1) s0", "field '[A1]' A1=1 s0", "cmp '[A1]==2' == ([A1]:1, 2:2) s1",
                  "logic '1==1 || [A1]==2' || (1==1:true, [A1]==2:false) s0", "stmt '1==1 || [A1]==2'  s0"}},
        StepCase{"TextIsNoNumber", "[S]=='abc'",
                 {"field '[S]' S=" + kWideAbc + " s0",
                  "cmp '[S]=='abc'' == ([S]:" + kWideAbc + ", 'abc':abc) s2 90000006"}},
        StepCase{"MissingFieldEndsTheEvaluation", "[NOPE]==1",
                 {"field '[NOPE]' NOPE s2 90000002", "cmp '[NOPE]==1' == ([NOPE]:, 1:1) s2 90000002"}},
        StepCase{"ExpressionStatement", "[A1]", {"field '[A1]' A1=1 s0", "stmt '[A1]'  s0"}},
        // The text ends early, silently as the language has it; the trace
        // tells where, once, with what is never read.
        StepCase{"FullWidthOperatorEndsTheText", "[Q] " + cp932("＝＝") + " 1",
                 {"end '" + cp932("＝＝") + " 1' " + cp932("＝＝") + " 1 s0", "field '[Q]' Q=3 s0", "stmt '[Q]'  s0"}},
        StepCase{"DollarEndsTheText", "1==1 $ [NOPE]==1",
                 {"end '$ [NOPE]==1' $ [NOPE]==1 s0", "cmp '1==1' == (1:1, 1:1) s0", "stmt '1==1'  s0"}},
        StepCase{"KatakanaEndsTheText", "[A1]==1\xB1", {"end '\xB1' \xB1 s0", "field '[A1]' A1=1 s0",
                                                     "cmp '[A1]==1' == ([A1]:1, 1:1) s0", "stmt '[A1]==1'  s0"}},
        StepCase{"TwoByteCharacterInAFieldNameReadsOn", "[" + cp932("数量") + "]==1 || 1==1",
                 {"field '[" + cp932("数量") + "]' " + cp932("数量") + " s2 90000002",
                  "cmp '[" + cp932("数量") + "]==1' == ([" + cp932("数量") + "]:, 1:1) s2 90000002"}}),
    [](const auto &info) { return std::string(info.param.label); });

TEST_F(Trace, SpansAreBytesOfTheHostsTextThroughSelfFieldAndTwoByteCharacters) {
    const std::string zo = cp932("ゾ");  // trail byte 0x5D, the byte of "]"
    host.set(zo, "5");
    host.set(cp932("金額"), "1");
    const std::string expr = "[" + zo + "]+@==[" + cp932("金額") + "]+10, length('" + cp932("アイ") + "')==@-4";
    uint32_t out = 0;
    const auto lines = trace_of(expr, &out);
    EXPECT_EQ(out, 0u);
    ASSERT_GE(recorder.events.size(), 3u);
    EXPECT_EQ(recorder.events[0].event.start, 0u);
    EXPECT_EQ(recorder.events[0].event.length, 4u);  // "[", two bytes, "]"
    EXPECT_EQ(recorder.events[0].name, zo);
    EXPECT_EQ(recorder.events[1].event.start, 5u);  // "@"
    EXPECT_EQ(recorder.events[1].event.length, 1u);
    const std::string length = "length('" + cp932("アイ") + "')";
    const std::vector<std::string> expected = {
        "field '[" + zo + "]' " + zo + "=5 s0",
        "field '@' T=6 s0",
        "op '[" + zo + "]+@' +=11 ([" + zo + "]:5, @:6) s0",
        "field '[" + cp932("金額") + "]' " + cp932("金額") + "=1 s0",
        "op '[" + cp932("金額") + "]+10' +=11 ([" + cp932("金額") + "]:1, 10:10) s0",
        "cmp '[" + zo + "]+@==[" + cp932("金額") + "]+10' == ([" + zo + "]+@:11, [" + cp932("金額") +
            "]+10:11) s0",
        "stmt '[" + zo + "]+@==[" + cp932("金額") + "]+10'  s0",
        "call '" + length + "' length=2 s0",
        "field '@' T=6 s0",
        "op '@-4' -=2 (@:6, 4:4) s0",
        "cmp '" + length + "==@-4' == (" + length + ":2, @-4:2) s0",
        "stmt '" + length + "==@-4'  s0",
    };
    EXPECT_EQ(lines, expected);
}

struct SyntaxCase {
    const char *label;
    std::string expr;
    uint32_t code;
    uint32_t start;
    uint32_t length;
};

void PrintTo(const SyntaxCase &c, std::ostream *os) { *os << c.label; }

class TraceSyntax : public Trace, public ::testing::WithParamInterface<SyntaxCase> {};

TEST_P(TraceSyntax, ReportsWhereParsingStopped) {
    const SyntaxCase &c = GetParam();
    uint32_t out = 0;
    trace_of(c.expr, &out);
    EXPECT_EQ(out, c.code);
    ASSERT_FALSE(recorder.events.empty());
    const TALV_TRACE_EVENT &last = recorder.events.back().event;
    EXPECT_EQ(last.kind, TALV_TRACE_SYNTAX_ERROR);
    EXPECT_EQ(last.code, c.code);
    EXPECT_EQ(last.start, c.start);
    EXPECT_EQ(last.length, c.length);
    EXPECT_EQ(recorder.events.back().name, c.expr.substr(std::min<std::size_t>(c.start, c.expr.size()),
                                                         c.code == TALV_E_TOO_LONG ? 0 : c.length));
}

INSTANTIATE_TEST_SUITE_P(
    Places, TraceSyntax,
    ::testing::Values(SyntaxCase{"ConditionAsArgument", "sum([A1..3] == @", TALV_E_SYNTAX, 12, 2},
                      SyntaxCase{"UnclosedCallAtTheEnd", "ydate([Y],[M]", TALV_E_SYNTAX, 13, 0},
                      SyntaxCase{"OperatorAfterOperator", "1 +* 2", TALV_E_SYNTAX, 3, 1},
                      SyntaxCase{"AfterAHoldingStatement", "1==1,)", TALV_E_SYNTAX, 5, 1},
                      SyntaxCase{"DollarEndsTheText", "1+$2", TALV_E_SYNTAX, 2, 1},
                      SyntaxCase{"TwoByteCharacterEndsTheText", "1 ==" + cp932("ア"), TALV_E_SYNTAX, 4, 1},
                      SyntaxCase{"UnclosedString", "'a'=='b", TALV_E_SYNTAX, 5, 2},
                      SyntaxCase{"UnclosedField", "1==[A1", TALV_E_SYNTAX, 3, 3},
                      SyntaxCase{"SeventhParenthesis", "(((((((1)))))))==1", TALV_E_PARENTHESES, 6, 1},
                      SyntaxCase{"TooLong", "1==1" + std::string(509, ' '), TALV_E_TOO_LONG, 512, 1}),
    [](const auto &info) { return std::string(info.param.label); });

// Tracing must not change what the host sees: the same results and the
// same field callbacks in the same order.
TEST_F(Trace, ChangesNoResultAndNoCallback) {
    std::vector<std::string> asked;
    for (const char *expr : {"sum([A1..3])==@", "[NOPE]==1", "ydate([Y],[M],[D])", "x=[Q], x*[P]==[Q]*4, 1+*2",
                             "1==2, [A1]==1"}) {
        int calls[2];
        uint32_t outs[2], rets[2];
        for (int traced = 0; traced < 2; ++traced) {
            if (traced) recorder.install();
            host.value_calls = 0;
            auto r = eval("T", expr);
            talv_set_trace(nullptr, 0);
            calls[traced] = host.value_calls;
            outs[traced] = r.out;
            rets[traced] = r.ret;
        }
        EXPECT_EQ(calls[0], calls[1]) << expr;
        EXPECT_EQ(outs[0], outs[1]) << expr;
        EXPECT_EQ(rets[0], rets[1]) << expr;
    }
}

// An error's event names what its message mentions, as the certify record
// would; a statement that cannot be resolved is reported too.
TEST_F(Trace, ErrorsCarryTheNameTheirMessageMentions) {
    for (auto [expr, kind, name] : {std::tuple{"[NOPE]", TALV_TRACE_FIELD, "NOPE"},
                                    std::tuple{"y=1, z", TALV_TRACE_STATEMENT, "z"},
                                    std::tuple{"w+1==1", TALV_TRACE_OPERATOR, "w"},
                                    std::tuple{"nosuch(1)", TALV_TRACE_CALL, "nosuch"}}) {
        trace_of(expr);
        auto step = std::find_if(recorder.events.rbegin(), recorder.events.rend(),
                                 [kind = kind](const Recorded &r) { return r.event.kind == kind; });
        ASSERT_NE(step, recorder.events.rend()) << expr;
        EXPECT_EQ(step->event.status, 2) << expr;
        EXPECT_EQ(step->text, name) << expr;
    }
}

// A failing host callback shows as the out-code shows it, never as the
// library's internal code.
TEST_F(Trace, CallbackFailureShowsTheInternalErrorCode) {
    host.value_result = 7;
    uint32_t out = 0;
    trace_of("[A1]==1", &out);
    EXPECT_EQ(out, TALV_E_INTERNAL);
    ASSERT_EQ(recorder.events.size(), 2u);
    for (const Recorded &r : recorder.events) EXPECT_EQ(r.event.code, TALV_E_INTERNAL) << r.name;
}

TEST_F(Trace, OffUnlessInstalled) {
    recorder.install();
    eval("T", "sum([A1..3])==@");
    const std::size_t traced = recorder.events.size();
    EXPECT_EQ(traced, 7u);
    ASSERT_EQ(talv_set_trace(nullptr, 0), 0u);
    eval("T", "sum([A1..3])==@");
    eval("T", "1 +* 2");
    EXPECT_EQ(recorder.events.size(), traced);
    for (const Recorded &r : recorder.events) EXPECT_EQ(r.event.size, sizeof(TALV_TRACE_EVENT));
}

// Why a step came out as it did, with what is to blame: the part and the
// argument of a false call, the operand of an error, the exact difference
// of a comparison's sides.  Only while an evaluation is traced can a
// companion hand in a reason.
struct WhyCase {
    const char *expr;
    uint32_t kind, part, argument;
    const char *why, *culprit, *culprit_text, *blamed_piece, *difference;
};

TEST_F(Trace, WhySaysThePartAndWhatIsToBlame) {
    host.set("E", "6");
    host.set("N", "1 2");
    const WhyCase cases[] = {
        {"jdate([E], 1, 1, 1)", TALV_TRACE_CALL, TALV_WHY_ERA, 1, "era 6 (1 Meiji to 5 Reiwa)", "E", "6", "[E]", ""},
        {"ydate([Y], [M], [D])", TALV_TRACE_CALL, TALV_WHY_DAY_OF_MONTH, 3, "30 February", "D", "30", "[D]", ""},
        {"time12(2, 11, [S])", TALV_TRACE_CALL, TALV_WHY_NOT_AN_INTEGER, 3, "not a whole number of at most 8 digits",
         "S", "abc", "[S]", ""},
        {"1 + [N] == 3", TALV_TRACE_OPERATOR, TALV_WHY_BLANK_IN_NUMBER, 0, "a blank inside the number", "N", "1 2",
         "[N]", ""},
        {"[Q]*[P] < 12.5", TALV_TRACE_COMPARISON, TALV_WHY_NONE, 0, "", "", "", "", "0.5"},
    };
    for (const WhyCase &c : cases) {
        trace_of(c.expr);
        auto step = std::find_if(recorder.events.begin(), recorder.events.end(),
                                 [&](const Recorded &r) { return r.event.kind == c.kind; });
        ASSERT_NE(step, recorder.events.end()) << c.expr;
        const TALV_TRACE_EVENT &e = step->event;
        EXPECT_EQ(e.why_part, c.part) << c.expr;
        EXPECT_EQ(e.culprit_argument, c.argument) << c.expr;
        EXPECT_EQ(step->why, c.why) << c.expr;
        EXPECT_EQ(step->culprit, c.culprit) << c.expr;
        EXPECT_EQ(step->culprit_text, c.culprit_text) << c.expr;
        EXPECT_EQ(piece(c.expr, e.culprit_start, e.culprit_length), c.blamed_piece) << c.expr;
        EXPECT_EQ(step->difference, c.difference) << c.expr;
    }
    EXPECT_EQ(talv_trace_active(), 0);
    talv_trace_why(nullptr, TALV_WHY_OTHER, "outside", nullptr, 1);  // ignored
}

// The trace callback runs inside the evaluation: every call back into the
// library that would disturb it is refused, and the outer result stands.
struct Reentrant {
    uint32_t eval_ret = 0, eval_out = 0, certify_ret = 0, set_ret = 0;
    int list_ret = 0, variable_ret = 0;
    int events = 0;
    static void proc(uintptr_t context, const TALV_TRACE_EVENT *) {
        Reentrant *self = reinterpret_cast<Reentrant *>(context);
        // The sweeps at every step: none may free what the evaluation holds.
        free_all_symbol();
        if (self->events++) return;
        self->eval_ret = PPR_eval(&self->eval_out, "T", "1==1");
        PPR_CERTIFY_RESULT record;
        self->certify_ret = PPR_certify(&record, "T", "1==1");
        self->set_ret = talv_set_trace(nullptr, 0);
        self->list_ret = init_symbol_list();
        self->variable_ret = init_variable();
    }
};

TEST_F(Trace, CallbackCannotReenterTheLibrary) {
    Reentrant probe;
    ASSERT_EQ(talv_set_trace(&Reentrant::proc, reinterpret_cast<uintptr_t>(&probe)), 0u);
    auto r = eval("T", "[Q]*[P]==12");
    EXPECT_EQ(r.ret, 0u);
    EXPECT_EQ(r.out, 0u);
    EXPECT_EQ(probe.eval_ret, TALV_R_EVAL_BAD_PARAM);
    EXPECT_EQ(probe.eval_out, TALV_E_INTERNAL);
    EXPECT_EQ(probe.certify_ret, TALV_R_CERT_BAD_PARAM);
    EXPECT_EQ(probe.set_ret, TALV_R_TRACE_REFUSED);
    EXPECT_EQ(probe.list_ret, -1);
    EXPECT_EQ(probe.variable_ret, -1);
    EXPECT_EQ(probe.events, 5);  // still installed: the refused unset changed nothing
    // Inside a running sum, with a variable assigned before it: both survive.
    probe = Reentrant{};
    r = eval("T", "v = 4, sum([A1..3]) + v == 10");
    EXPECT_EQ(r.ret, 0u);
    EXPECT_EQ(r.out, 0u);
    // Outside an evaluation the same calls do their work.
    EXPECT_EQ(init_symbol_list(), 0);
    EXPECT_EQ(init_variable(), 0);
    free_all_symbol();
}

TEST_F(Trace, CertifyIsTracedToo) {
    recorder.install();
    PPR_CERTIFY_RESULT record;
    EXPECT_EQ(PPR_certify(&record, "T", "[A1]==1, 1==2"), 0u);
    EXPECT_EQ(record.code, 0u);
    ASSERT_EQ(recorder.events.size(), 5u);
    EXPECT_EQ(recorder.events[0].event.kind, TALV_TRACE_FIELD);
    EXPECT_EQ(recorder.events[3].event.status, 1);          // the comparison is false
    EXPECT_EQ(recorder.events[4].event.kind, TALV_TRACE_STATEMENT);
    EXPECT_EQ(recorder.events[4].event.code, 0u);           // but certify mode does not report it
}

}  // namespace
