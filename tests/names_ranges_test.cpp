#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/alloc_sweep.h"
#include "support/names_env.h"

namespace {

using talv_test::make_field;
using talv_test::make_symbol;
using talv_test::NamesEnv;

std::vector<std::string> field_names(Symbol *head) {
    std::vector<std::string> names;
    for (Symbol *s = head ? head->next : nullptr; s; s = s->next) {
        EXPECT_EQ(s->kind, TALV_FIELD);
        names.emplace_back(s->text);
    }
    return names;
}

struct RangeShape {
    const char *text;
    int kind;
    int is_range;
};
void PrintTo(const RangeShape &c, std::ostream *os) { *os << c.kind << ":'" << c.text << "'"; }
class NamesRangeShape : public ::testing::TestWithParam<RangeShape> {};

TEST_P(NamesRangeShape, Recognition) {
    NamesEnv env;
    EXPECT_EQ(is_field_with_range(make_symbol(GetParam().kind, GetParam().text)), GetParam().is_range);
}
INSTANTIATE_TEST_SUITE_P(
    Shapes, NamesRangeShape,
    ::testing::Values(RangeShape{"A1..5", TALV_FIELD, 1}, RangeShape{"1..5", TALV_FIELD, 1},
                      RangeShape{"A01..003", TALV_FIELD, 1}, RangeShape{"A1..2..3", TALV_FIELD, 1},
                      RangeShape{"A1.5", TALV_FIELD, 0}, RangeShape{"..5", TALV_FIELD, 0},
                      RangeShape{"A..5", TALV_FIELD, 0}, RangeShape{"A1..", TALV_FIELD, 0},
                      RangeShape{"A1..5x", TALV_FIELD, 0}, RangeShape{"A1...5", TALV_FIELD, 0},
                      RangeShape{"A1", TALV_FIELD, 0}, RangeShape{"", TALV_FIELD, 0},
                      RangeShape{"A1..5", TALV_STRING, 0}, RangeShape{"A1..5", TALV_VARIABLE, 0}));

TEST(NamesRanges, NullIsNoRange) { EXPECT_EQ(is_field_with_range(nullptr), 0); }

struct Expansion {
    const char *range;
    std::vector<std::string> table;
    std::vector<std::string> fields;
};
void PrintTo(const Expansion &c, std::ostream *os) {
    *os << c.range << " in";
    for (const auto &name : c.table) *os << ' ' << name;
}
class NamesRangeExpansion : public ::testing::TestWithParam<Expansion> {};

TEST_P(NamesRangeExpansion, ExistingFieldsInAscendingOrder) {
    NamesEnv env;
    env.host.use_range_names = true;
    env.host.range_names = GetParam().table;
    Symbol *head = ext_field_arg(make_field(GetParam().range));
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->status, 0);
    EXPECT_EQ(head->code, 0u);
    EXPECT_EQ(field_names(head), GetParam().fields);
    EXPECT_EQ(env.host.range_calls, 1);
    EXPECT_EQ(env.host.last_range_ctx, env.host.context(1));
    EXPECT_EQ(env.host.value_calls, 0) << "elements are resolved only when used";
}

using V = std::vector<std::string>;
INSTANTIATE_TEST_SUITE_P(
    Ranges, NamesRangeExpansion,
    ::testing::Values(
        Expansion{"A1..3", V{"A3", "B2", "A1", "A2", "A4"}, V{"A1", "A2", "A3"}},
        Expansion{"A9..1", V{"A9", "A1", "A5", "A10"}, V{"A1", "A5", "A9"}},
        Expansion{"A01..03", V{"A01", "A1", "A02", "A2", "A3", "A003"}, V{"A1", "A2", "A3"}},
        Expansion{"A1..12", V{"A11", "A2", "A12", "A1X", "XA1", "A", "A5"}, V{"A2", "A5", "A11", "A12"}},
        Expansion{"A0..2", V{"A0", "A00", "A2"}, V{"A0", "A2"}},
        Expansion{"1..5", V{"1", "3", "X3", "05", "6"}, V{"1", "3"}},
        Expansion{"A1..3", V{"A2", "A2", "A1", "A2"}, V{"A1", "A2"}} /* listed twice, one field */,
        Expansion{"Q 1..3", V{"Q 1", "Q1", "Q 3"}, V{"Q 1", "Q 3"}},
        Expansion{"A1..2..3", V{"A1", "A2", "A3", "A1..2"}, V{"A1", "A2"}} /* the first ".." counts */,
        Expansion{"A1..999999999", V{"A999999999", "A1", "A1000000000", "A500"}, V{"A1", "A500", "A999999999"}},
        Expansion{"A4294967297..5", V{"A4", "A5", "A6", "A4294967297", "A4294967298"}, V{"A5", "A6", "A4294967297"}},
        Expansion{"A1..99999999999999999999", V{"A12345678901234567890", "A7", "A100000000000000000000"},
                  V{"A7", "A12345678901234567890"}},
        // Out of order and repeated at the bounds' longest exact length and one past it.
        Expansion{"A1..999999999999999999", V{"A999999999999999999", "A10", "A2", "A10", "A1000000000000000000"},
                  V{"A2", "A10", "A999999999999999999"}},
        Expansion{"A1..9999999999999999999", V{"A9999999999999999999", "A10", "A2", "A10", "A10000000000000000000"},
                  V{"A2", "A10", "A9999999999999999999"}}));

TEST(NamesRanges, NoExistingFieldGivesTheArgumentError) {
    NamesEnv env;
    env.host.set("B1", "1");
    Symbol *head = ext_field_arg(make_field("A1..3"));
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->status, 2);
    EXPECT_EQ(head->code, TALV_E_ARGUMENTS);
    EXPECT_EQ(head->next, nullptr);
    EXPECT_EQ(env.host.range_calls, 1);
}

TEST(NamesRanges, HugeRangeCostsOnlyTheTable) {
    NamesEnv env;
    for (int i = 0; i < TALV_MAX_FIELDS; ++i) env.host.set("F" + std::to_string(i * 1000003), "1");
    auto start = std::chrono::steady_clock::now();
    Symbol *head = ext_field_arg(make_field("F0..9999999999999999999999999"));
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(count_list(head), TALV_MAX_FIELDS);
    EXPECT_STREQ(head->next->text, "F0");
    // A loop over the numbers would not end in any lifetime.
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

class NamesRangeCallbackFailure : public ::testing::TestWithParam<std::pair<int32_t, uint32_t>> {};

TEST_P(NamesRangeCallbackFailure, HeadCarriesTheCode) {
    NamesEnv env;
    env.host.set("A1", "1");
    env.host.range_result = GetParam().first;
    Symbol *head = ext_field_arg(make_field("A1..3"));
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->status, 2);
    EXPECT_EQ(head->code, GetParam().second);
    EXPECT_EQ(head->next, nullptr);
}
INSTANTIATE_TEST_SUITE_P(Answers, NamesRangeCallbackFailure,
                         ::testing::Values(std::pair<int32_t, uint32_t>{-2, TALV_I_AREA_EXCEEDED},
                                           std::pair<int32_t, uint32_t>{-9, TALV_I_CALLBACK_FAILED},
                                           std::pair<int32_t, uint32_t>{-1, TALV_I_CALLBACK_FAILED},
                                           std::pair<int32_t, uint32_t>{1, TALV_I_CALLBACK_FAILED}));

TEST(NamesRanges, MissingRangeCallbackFailsInsteadOfCrashing) {
    NamesEnv env;
    talv::g_state.callbacks[talv::kFieldRange] = nullptr;
    EXPECT_EQ(ext_field_arg(make_field("A1..3"))->code, TALV_I_CALLBACK_FAILED);
}

// A host that reports any count it likes, leaves holes in the name array
// and writes names longer than 32 bytes.
struct HostileTable {
    int32_t count;
    std::vector<std::string> names;  // "" leaves the pointer unset
    std::vector<std::string> storage;
};

int32_t hostile_range(uintptr_t ctx, int32_t *count, char **names, int32_t capacity, char *, int32_t) {
    auto *t = reinterpret_cast<HostileTable *>(ctx);
    t->storage = t->names;
    for (std::size_t i = 0; i < t->names.size() && static_cast<int32_t>(i) < capacity; ++i)
        if (!t->names[i].empty()) names[i] = t->storage[i].data();
    *count = t->count;
    return 0;
}

TEST(NamesRanges, HostileCountsAreClampedAndNullNamesSkipped) {
    for (int32_t count : {5000, 961, INT32_MAX, 3}) {
        NamesEnv env;
        HostileTable table{count, {"A1", "", "A3"}, {}};
        env.replace(talv::kFieldRange, &hostile_range, reinterpret_cast<uintptr_t>(&table));
        EXPECT_EQ(field_names(ext_field_arg(make_field("A1..3"))), (V{"A1", "A3"})) << count;
    }
    for (int32_t count : {-1, INT32_MIN, 0}) {
        NamesEnv env;
        HostileTable table{count, {"A1", "A2"}, {}};
        env.replace(talv::kFieldRange, &hostile_range, reinterpret_cast<uintptr_t>(&table));
        EXPECT_EQ(ext_field_arg(make_field("A1..3"))->code, TALV_E_ARGUMENTS) << count;
    }
}

// The fields of a range are the Symbols the scanner makes of "[" name "$",
// byte for byte, whatever the prefix holds.
struct ScannerShape {
    std::string range;
    std::vector<std::string> table;
};
class NamesRangeScannerShape : public ::testing::TestWithParam<ScannerShape> {};

TEST_P(NamesRangeScannerShape, FieldsAreTheScannersSymbols) {
    NamesEnv env;
    HostileTable table{static_cast<int32_t>(GetParam().table.size()), GetParam().table, {}};
    env.replace(talv::kFieldRange, &hostile_range, reinterpret_cast<uintptr_t>(&table));
    Symbol *head = ext_field_arg(make_field(GetParam().range));
    ASSERT_NE(head, nullptr);
    ASSERT_EQ(head->status, 0);
    std::size_t listed = 0;
    for (Symbol *field = head->next; field; field = field->next, ++listed) {
        ASSERT_LT(listed, GetParam().table.size());
        const std::string token = "[" + GetParam().table[listed] + "$";
        Symbol scanned = *create_symbol(token.c_str(), TALV_FIELD);
        Symbol made = *field;
        made.next = nullptr;
        EXPECT_EQ(std::memcmp(&made, &scanned, sizeof made), 0) << GetParam().table[listed];
    }
    EXPECT_EQ(listed, GetParam().table.size());
}
const std::string kP29(29, 'P');
INSTANTIATE_TEST_SUITE_P(
    Prefixes, NamesRangeScannerShape,
    ::testing::Values(ScannerShape{"A1..12", V{"A1", "A9", "A10", "A12"}}, ScannerShape{"1..300", V{"1", "22", "300"}},
                      ScannerShape{" A1..3", V{" A1", " A3"}}, ScannerShape{"\t 1..3", V{"\t 1", "\t 2"}},
                      ScannerShape{"Q 1..3", V{"Q 1", "Q 2"}}, ScannerShape{"\x83\x41" "1..3", V{"\x83\x41" "2"}},
                      ScannerShape{kP29 + "1..999", V{kP29 + "7", kP29 + "12", kP29 + "123"}},
                      ScannerShape{"P1..9999999999999999999999999999999",
                                   V{"P5", "P1000000000000000000000000000000"}}));

// One scripted answer of the field-range callback: its result, its count and
// the entries it writes.  Each answer's names are freed by the next one, so
// that an entry surviving from an earlier answer would be read after free.
struct RangeAnswer {
    int32_t result;
    int32_t count;
    std::vector<std::pair<int32_t, std::string>> writes;
};
struct RangeScript {
    std::vector<RangeAnswer> answers;
    std::size_t next = 0;
    std::unique_ptr<std::string[]> names;
};

int32_t scripted_range(uintptr_t ctx, int32_t *count, char **names, int32_t, char *, int32_t) {
    auto *script = reinterpret_cast<RangeScript *>(ctx);
    const RangeAnswer &answer = script->answers.at(script->next++);
    script->names = std::make_unique<std::string[]>(answer.writes.size());
    for (std::size_t i = 0; i < answer.writes.size(); ++i) {
        script->names[i] = answer.writes[i].second;
        names[answer.writes[i].first] = script->names[i].data();
    }
    *count = answer.count;
    return answer.result;
}

struct HostileAnswer {
    const char *name;
    RangeAnswer answer;
    uint32_t code;  // of the head
    std::vector<std::string> fields;
};

TEST(NamesRanges, NoAnswerLeavesAnEntryForTheNext) {
    const HostileAnswer cases[] = {
        {"writes past its count", {0, 1, {{0, "A1"}, {5, "A2"}, {TALV_MAX_FIELDS - 1, "A3"}}}, 0, V{"A1"}},
        {"counts past what it writes", {0, 10, {{0, "A2"}}}, 0, V{"A2"}},
        {"negative count", {0, -1, {{0, "A2"}, {3, "A3"}}}, TALV_E_ARGUMENTS, V{}},
        {"count over capacity", {0, 5000, {{TALV_MAX_FIELDS - 1, "A3"}}}, 0, V{"A3"}},
        {"does not fit", {-2, 2, {{0, "A2"}, {1, "A3"}}}, TALV_I_AREA_EXCEEDED, V{}},
        {"fails", {-9, 2, {{0, "A2"}, {700, "A3"}}}, TALV_I_CALLBACK_FAILED, V{}},
        {"zero count", {0, 0, {{0, "A2"}, {1, "A3"}}}, TALV_E_ARGUMENTS, V{}},
    };
    // After each, an answer that counts the whole table and writes one entry.
    const RangeAnswer probe{0, TALV_MAX_FIELDS, {{0, "A1"}}};
    NamesEnv env;
    RangeScript script;
    for (const HostileAnswer &c : cases) {
        script.answers.push_back(c.answer);
        script.answers.push_back(probe);
    }
    env.replace(talv::kFieldRange, &scripted_range, reinterpret_cast<uintptr_t>(&script));
    Symbol *range = make_field("A1..3");
    for (const HostileAnswer &c : cases) {
        Symbol *head = ext_field_arg(range);
        ASSERT_NE(head, nullptr) << c.name;
        EXPECT_EQ(head->code, c.code) << c.name;
        EXPECT_EQ(field_names(head), c.fields) << c.name;
        EXPECT_EQ(field_names(ext_field_arg(range)), V{"A1"}) << "after: " << c.name;
    }
    EXPECT_EQ(script.next, script.answers.size());
}

TEST(NamesRanges, TableNamesCompareOverTheirFirst32Bytes) {
    NamesEnv env;
    const std::string prefix(29, 'P');
    HostileTable table{3, {prefix + "123tail", prefix + "7", prefix + "12"}, {}};
    env.replace(talv::kFieldRange, &hostile_range, reinterpret_cast<uintptr_t>(&table));
    // Not a scanner-made name (35 bytes), but the bounds still read as written.
    EXPECT_EQ(field_names(ext_field_arg(make_field(prefix + "1..999"))), (V{prefix + "7", prefix + "12", prefix + "123"}));
}

TEST(NamesRanges, NameWithoutDotsExpandsToNothing) {
    NamesEnv env;
    env.host.set("A1", "1");
    Symbol *head = ext_field_arg(make_field("A1"));
    EXPECT_EQ(head->code, TALV_E_ARGUMENTS);
    // ".." must start within the first 31 bytes.
    head = ext_field_arg(make_field(std::string(31, 'x') + "1..3"));
    EXPECT_EQ(head->code, TALV_E_ARGUMENTS);
}

TEST(NamesRanges, AllocationFailureGivesNull) {
    NamesEnv env;
    env.host.set("A1", "1");
    env.host.set("A2", "1");
    Symbol *range = make_field("A1..2");
    talv_test::sweep_allocation_failures([](long) {}, [&] { return ext_field_arg(range); },
        [](long n, Symbol *head, bool whole) {
            EXPECT_TRUE(head || !whole) << n;  // only a failure gives null
            if (head) EXPECT_EQ(count_list(head), 2) << n;
        }, 100);
    talv::alloc_fail_at(1, true);
    EXPECT_EQ(ext_field_arg(range), nullptr);
    talv::alloc_fail_at(0);
}

}  // namespace
