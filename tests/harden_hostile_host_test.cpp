// Hosts that break every promise of the callback interface: unexpected
// answers, records without terminators or full of 0xFF bytes, counts of -1
// or 100000, null name pointers, a field that changes between two reads.
// Each gives its documented code or a sound one, and the library answers a
// well-behaved host correctly afterwards.  The host is the fuzz targets'
// simulated host, so a fuzz input's directives read the same here.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "../fuzz/hostile_host.h"
#include "support/fake_host.h"
#include "values/alloc.h"

namespace {

using talv_fuzz::HostileHost;

constexpr uint32_t kArgsSum = 0xA000000Au;       // sum is row 0 of the builtin table
constexpr uint32_t kArgsMynumber = 0xA002000Au;  // mynumber is row 2 of ext_func_tab

const std::string kForm = "F A1\t1\nF A2\t2\nF A3\t3\nF TOTAL\t6\n";

struct Answer {
    uint32_t ret, out;
    bool operator==(const Answer &) const = default;
};
std::ostream &operator<<(std::ostream &os, const Answer &a) {
    return os << std::hex << "{ret 0x" << a.ret << ", out 0x" << a.out << "}";
}

// Everything the evaluation allocated is released by the time it returns.
Answer evaluate(const std::string &directives, const char *expr, bool certify) {
    PPR_end();
    const long live = talv::alloc_live();
    HostileHost host;
    host.parse(directives);
    EXPECT_EQ(host.install(), 0u);
    Answer a{};
    if (certify) {
        PPR_CERTIFY_RESULT rec;
        a.ret = PPR_certify(&rec, host.self_name.c_str(), expr);
        a.out = rec.code;
    } else {
        a.ret = PPR_eval(&a.out, host.self_name.c_str(), expr);
    }
    PPR_end();
    EXPECT_EQ(talv::alloc_live(), live) << expr;
    return a;
}

struct HostileCase {
    const char *what;
    std::string directives;   // after kForm
    const char *expr;
    Answer eval, certify;
};
std::ostream &operator<<(std::ostream &os, const HostileCase &c) { return os << c.what; }

constexpr Answer kPass{0, TALV_OK};
constexpr Answer kFalse{0, TALV_FALSE};
constexpr Answer kEvalCallback{TALV_R_EVAL_CALLBACK, TALV_E_INTERNAL};
constexpr Answer kCertCallback{TALV_R_CERT_CALLBACK, TALV_E_INTERNAL};
constexpr Answer kEvalArea{TALV_R_EVAL_AREA, TALV_E_INTERNAL};
constexpr Answer kCertArea{TALV_R_CERT_AREA, TALV_E_INTERNAL};
constexpr Answer code(uint32_t out) { return {0, out}; }

std::string n(long long v) { return std::to_string(v); }

const HostileCase kCases[] = {
    // The field-value callback: only 0 and -1 mean anything.
    {"value answers 1", "V 1", "[A1]+[A2]==3", kEvalCallback, kCertCallback},
    {"value answers -3", "V -3", "[A1]+[A2]==3", kEvalCallback, kCertCallback},
    {"value answers INT32_MIN", "V " + n(INT32_MIN), "[A1]+[A2]==3", kEvalCallback, kCertCallback},
    {"value answers INT32_MAX", "V " + n(INT32_MAX), "[A1]+[A2]==3", kEvalCallback, kCertCallback},
    {"value answers the range's -2", "V -2", "[A1]==1", kEvalCallback, kCertCallback},
    {"value answers -1", "V -1", "[A1]==1", code(TALV_E_NO_FIELD), code(TALV_E_NO_FIELD)},
    {"value fails on the second read", "V 7 1", "[A1]+[A2]==3", kEvalCallback, kCertCallback},
    {"value loses a field on the second read", "V -1 1", "[A1]+[A1]==2", code(TALV_E_NO_FIELD),
     code(TALV_E_NO_FIELD)},
    {"value fails inside a range", "V -3 2", "sum([A1..3])==6", kEvalCallback, kCertCallback},

    // The field-range callback: -2 is "does not fit", anything else a failure.
    {"range answers 1", "R 1", "sum([A1..3])==6", kEvalCallback, kCertCallback},
    {"range answers -1", "R -1", "sum([A1..3])==6", kEvalCallback, kCertCallback},
    {"range answers -3", "R -3", "sum([A1..3])==6", kEvalCallback, kCertCallback},
    {"range answers INT32_MIN", "R " + n(INT32_MIN), "sum([A1..3])==6", kEvalCallback, kCertCallback},
    {"range answers -2", "R -2", "sum([A1..3])==6", kEvalArea, kCertArea},
    {"range fails for the second range", "R -9 1", "sumprod([A1..3], [A1..3])==14", kEvalCallback,
     kCertCallback},
    {"range fails inside an extension function", "R -2", "mynumber([A1..12])", kEvalArea, kCertArea},

    // Range counts outside the table.
    {"range count -1", "C -1", "sum([A1..3])==6", code(kArgsSum), code(kArgsSum)},
    {"range count INT32_MIN", "C " + n(INT32_MIN), "sum([A1..3])==6", code(kArgsSum), code(kArgsSum)},
    {"range count 100000", "C 100000", "sum([A1..3])==6", kPass, kPass},
    {"range count INT32_MAX", "C " + n(INT32_MAX), "sum([A1..3])==@", kPass, kPass},
    {"range count short of the names", "C 2", "sum([A1..3])==6", kFalse, kPass},
    {"range count -1 for an extension function", "C -1", "mynumber([A1..12])", code(kArgsMynumber),
     code(kArgsMynumber)},
    {"range names all null", "N", "sum([A1..3])==6", code(kArgsSum), code(kArgsSum)},
    {"range names null, count 100000", "N\nC 100000", "sum([A1..3])==6", code(kArgsSum), code(kArgsSum)},

    // The field-list callback (certify mode only).
    {"list answers 1", "L 1", "[A1]==1", kPass, kCertCallback},
    {"list answers -1", "L -1", "[A1]==1", kPass, kCertCallback},
    {"list answers INT32_MIN", "L " + n(INT32_MIN), "[A1]==1", kPass, kCertCallback},
    {"list answers -2", "L -2", "[A1]==1", kPass, kCertArea},
    {"list fails on the second reference", "L -9 1", "[A1]+[A2]==3", kPass, kCertCallback},
    {"list count -1 hides the excluded field", "X A1\nD -1", "[A1]==1", kPass, kPass},
    {"list count 100000 keeps the excluded field", "X A1\nD 100000", "[A1]==1", kPass,
     code(TALV_E_FIELD_EXCLUDED)},
    {"list count INT32_MIN", "X A1\nD " + n(INT32_MIN), "[A1]==1", kPass, kPass},

    // Records without terminators, filled with 0xFF around what was written.
    {"unterminated range names match nothing", "U", "sum([A1..3])==6", code(kArgsSum), code(kArgsSum)},
    {"unterminated excluded names exclude nothing", "U\nX A1", "blank([A1])", kFalse, kPass},

    // Calls back into the library from inside a callback.
    {"callback calls PPR_eval", "I 1", "[A1]+[A2]==3 && 1==2", kFalse, kPass},
    {"callback calls PPR_certify", "I 2", "[A1]+[A2]==3, 1+1==3", kFalse, kPass},
    {"callback calls PPR_init again", "I 4", "[A1]+[A2]==3, sum([A1..3])==6", kPass, kPass},

    // The field being checked.
    {"empty self-field name", "S ", "@==1", code(TALV_E_NO_FIELD), code(TALV_E_NO_FIELD)},
    {"self-field name of 61 0xFF bytes", "S " + std::string(61, '\xFF'), "@==1", code(TALV_E_NO_FIELD),
     code(TALV_E_NO_FIELD)},
};

class HardenHostileHost : public ::testing::TestWithParam<HostileCase> {
protected:
    void TearDown() override { PPR_end(); }
};

TEST_P(HardenHostileHost, GivesTheDocumentedCodeAndLeavesTheLibrarySound) {
    const HostileCase &c = GetParam();
    EXPECT_EQ(evaluate(kForm + c.directives, c.expr, false), c.eval);
    EXPECT_EQ(evaluate(kForm + c.directives, c.expr, true), c.certify);

    // Nothing of the hostile host survives into the next evaluation.
    talv_test::FakeHost good;
    good.set("A1", "1");
    good.set("A2", "2");
    good.set("A3", "3");
    good.set("TOTAL", "6");
    ASSERT_EQ(good.install(), 0u);
    EXPECT_EQ(talv_test::eval("TOTAL", "sum([A1..3])==@ && [A1]==1").out, TALV_OK);
    EXPECT_EQ(talv_test::certify("TOTAL", "sum([A1..3])==@ && [A1]==1").out, TALV_OK);
}

INSTANTIATE_TEST_SUITE_P(Cases, HardenHostileHost, ::testing::ValuesIn(kCases));

// A value record full of 0xFF bytes after the text: the value runs to the end
// of the record and is read within it; 0xFF is no character of a number.
TEST(HardenHostileRecord, UnterminatedValueIsReadWithinTheRecord) {
    Answer eval = evaluate(kForm + "U", "[A1]==1", false);
    Answer cert = evaluate(kForm + "U", "[A1]==1", true);
    for (const Answer &a : {eval, cert}) {
        EXPECT_EQ(a.ret, 0u) << a;
        EXPECT_EQ(a.out >> 28, 0x9u) << a;   // an error of the value, nothing internal
    }
    // Unterminated type and class spec: the type still reads as HAND_ANK and
    // the class spec's first 256 bytes declare no class.
    EXPECT_EQ(evaluate(kForm + "U", "length([A1])>0", true).ret, 0u);
}

// The same field read twice gives two different values: each read is taken
// as it comes, so the check is simply false, never an internal error.
TEST(HardenHostileRecord, FieldThatChangesBetweenReads) {
    EXPECT_EQ(evaluate(kForm + "W", "[A1]==[A1]", false), kFalse);
    EXPECT_EQ(evaluate(kForm + "W", "[A1]-[A1]==0", false), kFalse);
    // The fourth read fills the whole record with nines.
    for (const char *expr : {"sum([A1..3], [A1..3])>0", "number([A1])+[A1]+[A1]+[A1]+[A1]>0",
                             "length([A1])+length([A1])+length([A1])+length([A1])+length([A1])>0"}) {
        for (bool certify : {false, true}) {
            Answer a = evaluate(kForm + "W", expr, certify);
            EXPECT_EQ(a.ret, 0u) << expr << a;
            EXPECT_NE(a.out, TALV_E_INTERNAL) << expr << a;
        }
    }
}

}  // namespace

namespace {

// A host that overstates the excluded list's count leaves entries unwritten;
// they must not still hold the names an earlier evaluation's host wrote.
TEST(HardenHostileRecord, OverstatedListCountSeesNoEarlierEntries) {
    EXPECT_EQ(evaluate(kForm + "X A1", "[A1]==1", true), code(TALV_E_FIELD_EXCLUDED));
    EXPECT_EQ(evaluate(kForm + "D 5", "[A1]==1", true), kPass);
    EXPECT_EQ(evaluate(kForm + "D 100000", "[A1]==1", true), kPass);
}

}  // namespace

namespace {

// A host whose field-value callback calls back into the library, which its
// contract forbids.  The inner evaluations are refused; PPR_end forgets the
// callbacks at once but keeps the scanner's text until the evaluation is over.
struct ReentrantHost : talv_test::FakeHost {
    enum Call { kEval, kCertify, kEnd } call = kEval;
    uint32_t inner_ret = 0, inner_out = 0;

    ReentrantHost() { set("A", "1"), use_range_names = true; }
    static int32_t reentering_value_cb(uintptr_t ctx, const char *name, PPR_FIELD_VALUE *rec) {
        auto *h = static_cast<ReentrantHost *>(from(ctx, 0));
        PPR_CERTIFY_RESULT inner;
        switch (h->call) {
        case kEval: h->inner_ret = PPR_eval(&h->inner_out, "A", "1==2"); break;
        case kCertify:
            h->inner_ret = PPR_certify(&inner, "A", "1==2");
            h->inner_out = inner.code;
            break;
        case kEnd: PPR_end(); break;
        }
        return value_cb(ctx, name, rec);
    }
    void install() {
        PPR_PROC procs[3] = {reinterpret_cast<PPR_PROC>(&reentering_value_cb), reinterpret_cast<PPR_PROC>(&range_cb),
                             reinterpret_cast<PPR_PROC>(&list_cb)};
        uintptr_t ctx[3] = {context(0), context(1), context(2)};
        ASSERT_EQ(PPR_init(procs, ctx), 0u);
    }
};

Answer outer(ReentrantHost &host, const char *expr, bool certify) {
    host.install();
    Answer a{};
    if (certify) {
        PPR_CERTIFY_RESULT rec;
        a.ret = PPR_certify(&rec, "A", expr);
        a.out = rec.code;
    } else {
        a.ret = PPR_eval(&a.out, "A", expr);
    }
    return a;
}

TEST(HardenReentrantHost, InnerEvaluationsAreRefusedAndTheOuterOneIsWhole) {
    for (auto call : {ReentrantHost::kEval, ReentrantHost::kCertify}) {
        ReentrantHost host;
        host.call = call;
        // Without the refusal the inner evaluation empties the outer one's
        // symbol list and consumes its text: the false check after the
        // field would go unread.
        EXPECT_EQ(outer(host, "[A]==1 && 1+2+3==7", false), kFalse) << call;
        if (call == ReentrantHost::kEval)
            EXPECT_EQ(host.inner_ret, TALV_R_EVAL_BAD_PARAM);
        else
            EXPECT_EQ(host.inner_ret, TALV_R_CERT_BAD_PARAM);
        EXPECT_EQ(host.inner_out, TALV_E_INTERNAL);
        EXPECT_EQ(outer(host, "[A]+[A]==2, sum(1, [A])==2", true), kPass) << call;
        PPR_end();
    }
}

TEST(HardenReentrantHost, EndInsideACallbackFailsLaterReferencesOnly) {
    ReentrantHost host;
    host.call = ReentrantHost::kEnd;
    // The rest of the text is still read: the false check is found.
    EXPECT_EQ(outer(host, "[A]==1, 1==2", false), kFalse);
    EXPECT_EQ(outer(host, "[A]==1 && [A]==1", false), kEvalCallback);
    EXPECT_EQ(outer(host, "[A]==1, 1==1", true), kCertCallback);  // the list callback is gone too
    // And the library is not initialised afterwards.
    EXPECT_EQ(talv_test::eval("A", "1==1").ret, TALV_R_EVAL_NOT_INIT);
}

}  // namespace
