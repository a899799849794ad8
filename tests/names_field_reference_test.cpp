#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "names/names.h"
#include "support/names_env.h"

namespace {

using talv_test::make_field;
using talv_test::NamesEnv;
using talv_test::normalised;

TEST(NamesFieldReference, KnownFieldGivesItsNormalisedTextAndAttr) {
    NamesEnv env;
    env.host.set("A1", "12 3", "WHATEVER", "NUM", 7);
    Symbol *field = make_field("A1");
    Symbol *value = reference_field(field);
    ASSERT_NE(value, nullptr);
    EXPECT_NE(value, field);
    EXPECT_EQ(value->kind, TALV_STRING);
    EXPECT_EQ(std::string(value->text), normalised("12 3"));
    EXPECT_EQ(value->attr, 7);
    EXPECT_EQ(value->charclass, 0) << "class spec ignored outside certify mode";
    EXPECT_EQ(value->status, 0);
    EXPECT_EQ(value->code, 0u);
    EXPECT_EQ(env.host.list_calls, 0);
    EXPECT_EQ(env.host.last_value_ctx, env.host.context(0));
}

TEST(NamesFieldReference, EmptyValueGivesEmptyString) {
    NamesEnv env;
    env.host.set("E", "");
    Symbol *value = reference_field(make_field("E"));
    EXPECT_EQ(value->kind, TALV_STRING);
    EXPECT_STREQ(value->text, "");
}

TEST(NamesFieldReference, EveryReferenceAsksTheHostAgain) {
    NamesEnv env;
    env.host.set("A", "1");
    Symbol *field = make_field("A");
    Symbol *first = reference_field(field);
    env.host.set("A", "2");
    Symbol *second = reference_field(field);
    EXPECT_EQ(env.host.value_calls, 2);
    EXPECT_NE(first, second);
    EXPECT_EQ(std::string(second->text), normalised("2"));
}

TEST(NamesFieldReference, UnknownFieldNamesTheField) {
    for (bool certify : {false, true}) {
        NamesEnv env(certify);
        Symbol *value = reference_field(make_field("Nope"));
        EXPECT_EQ(value->status, 2);
        EXPECT_EQ(value->code, TALV_E_NO_FIELD);
        EXPECT_EQ(value->kind, 0);
        EXPECT_EQ(env.message_arg(), "Nope");
        EXPECT_EQ(env.host.list_calls, 0) << "existence is checked before the certify checks";
    }
}

class NamesFieldValueFailure : public ::testing::TestWithParam<int32_t> {};

TEST_P(NamesFieldValueFailure, AnyOtherAnswerIsACallbackFailure) {
    NamesEnv env;
    env.host.set("A", "1");
    env.host.value_result = GetParam();
    std::strcpy(talv::g_state.message_arg, "untouched");
    Symbol *value = reference_field(make_field("A"));
    EXPECT_EQ(value->status, 2);
    EXPECT_EQ(value->code, TALV_I_CALLBACK_FAILED);
    EXPECT_EQ(env.message_arg(), "untouched");
}
INSTANTIATE_TEST_SUITE_P(Answers, NamesFieldValueFailure, ::testing::Values(1, -2, -9, 2, INT32_MIN, INT32_MAX));

TEST(NamesFieldReference, MissingCallbacksFailInsteadOfCrashing) {
    NamesEnv env(true);
    env.host.set("A", "1");
    talv::g_state.callbacks[talv::kFieldList] = nullptr;
    EXPECT_EQ(reference_field(make_field("A"))->code, TALV_I_CALLBACK_FAILED);
    talv::g_state.callbacks[talv::kFieldValue] = nullptr;
    EXPECT_EQ(reference_field(make_field("A"))->code, TALV_I_CALLBACK_FAILED);
}

TEST(NamesFieldReference, AllocationFailureGivesNullWithoutAskingTheHost) {
    NamesEnv env;
    env.host.set("A", "1");
    Symbol *field = make_field("A");
    talv::alloc_fail_at(1, true);
    EXPECT_EQ(reference_field(field), nullptr);
    talv::alloc_fail_at(0);
    EXPECT_EQ(env.host.value_calls, 0);
}

// ---- certify mode -------------------------------------------------------

TEST(NamesFieldReference, CertifyExcludedFieldIsRefusedWhateverItsType) {
    NamesEnv env(true);
    env.host.set("A1", "5", "HAND_ANK");
    env.host.set("A10", "5", "HAND_ANK");
    env.host.excluded = {"B", "A1"};
    Symbol *value = reference_field(make_field("A1"));
    EXPECT_EQ(value->status, 2);
    EXPECT_EQ(value->code, TALV_E_FIELD_EXCLUDED);
    EXPECT_EQ(env.message_arg(), "A1");
    EXPECT_EQ(env.host.last_list_ctx, env.host.context(2));

    env.host.excluded = {"A10"};
    EXPECT_EQ(reference_field(make_field("A1"))->status, 0) << "A10 does not exclude A1";
    env.host.excluded = {"A"};
    EXPECT_EQ(reference_field(make_field("A1"))->status, 0) << "A does not exclude A1";
    EXPECT_EQ(env.host.list_calls, 3) << "the list is asked for on every reference";
}

struct TypeCase {
    const char *type;
    bool accepted;
};
class NamesFieldType : public ::testing::TestWithParam<TypeCase> {};

void PrintTo(const TypeCase &c, std::ostream *os) { *os << '"' << c.type << '"'; }

TEST_P(NamesFieldType, CertifyAcceptsOnlyTheTextAndMarkTypes) {
    {
        NamesEnv env(true);
        env.host.set("F", "1", GetParam().type);
        Symbol *value = reference_field(make_field("F"));
        if (GetParam().accepted) {
            EXPECT_EQ(value->status, 0);
        } else {
            EXPECT_EQ(value->code, TALV_E_FIELD_EXCLUDED);
            EXPECT_EQ(env.message_arg(), "F");
        }
    }
    // Outside certify mode every type is fine.
    NamesEnv plain(false);
    plain.host.set("F", "1", GetParam().type);
    EXPECT_EQ(reference_field(make_field("F"))->status, 0);
}
INSTANTIATE_TEST_SUITE_P(
    Types, NamesFieldType,
    ::testing::Values(TypeCase{"HAND_ANK", true}, TypeCase{"PRINT_ANK", true}, TypeCase{"MARK", true},
                      TypeCase{"HAND_ANKX", true}, TypeCase{"PRINT_AN", true}, TypeCase{"MARKSHEET", true},
                      TypeCase{"HAND_AN", false}, TypeCase{"hand_ank", false}, TypeCase{"MAR", false},
                      TypeCase{"KANJI", false}, TypeCase{"", false}, TypeCase{"PRINT_KANJI", false}));

class NamesFieldListFailure : public ::testing::TestWithParam<std::pair<int32_t, uint32_t>> {};

TEST_P(NamesFieldListFailure, CertifyListCallbackFailures) {
    NamesEnv env(true);
    env.host.set("A", "1");
    env.host.list_result = GetParam().first;
    Symbol *value = reference_field(make_field("A"));
    EXPECT_EQ(value->status, 2);
    EXPECT_EQ(value->code, GetParam().second);
}
INSTANTIATE_TEST_SUITE_P(Answers, NamesFieldListFailure,
                         ::testing::Values(std::pair<int32_t, uint32_t>{-2, TALV_I_AREA_EXCEEDED},
                                           std::pair<int32_t, uint32_t>{-9, TALV_I_CALLBACK_FAILED},
                                           std::pair<int32_t, uint32_t>{-1, TALV_I_CALLBACK_FAILED},
                                           std::pair<int32_t, uint32_t>{3, TALV_I_CALLBACK_FAILED}));

TEST(NamesFieldReference, CertifyDerivesCharclassFromTheClassSpec) {
    NamesEnv env(true);
    env.host.set("None", "x", "HAND_ANK", "");
    env.host.set("Num", "x", "PRINT_ANK", "NUM");
    env.host.set("Brk", "x", "MARK", "[0-9]");
    EXPECT_EQ(reference_field(make_field("None"))->charclass, -1);
    EXPECT_EQ(reference_field(make_field("Num"))->charclass, TALV_CLASS_NUM);
    EXPECT_EQ(reference_field(make_field("Brk"))->charclass, 0x1A);
}

struct ClassCase {
    const char *spec;
    int32_t flags;
};
class NamesCharclass : public ::testing::TestWithParam<ClassCase> {};
void PrintTo(const ClassCase &c, std::ostream *os) { *os << ::testing::PrintToString(std::string(c.spec)); }

TEST_P(NamesCharclass, Derivation) { EXPECT_EQ(talv::derive_charclass(GetParam().spec), GetParam().flags); }

INSTANTIATE_TEST_SUITE_P(
    Specs, NamesCharclass,
    ::testing::Values(ClassCase{"", -1}, ClassCase{"NUM", 0x02}, ClassCase{"ALP NUM", 0x03}, ClassCase{"NUMALP", 0x03},
                      ClassCase{"[0-9]", 0x1A}, ClassCase{"num", 0}, ClassCase{"[\xB1]", 0x04},
                      ClassCase{"[\xA2\xDF]", 0x04}, ClassCase{"[\xA1\xE0\x7F ]", 0},
                      ClassCase{"KAT,SYM,HYP", 0x1C}, ClassCase{"[NUM]", 0x01} /* bracketed letters spell nothing */,
                      ClassCase{"[a]NUM", 0x03}, ClassCase{"]NUM[", 0x02}, ClassCase{"[A", 0x01},
                      ClassCase{"[\x82\x4F]", 0x01} /* each byte of a two-byte character on its own */,
                      ClassCase{"[+]", 0x08}, ClassCase{"[[1]]", 0x02}, ClassCase{"AL P", 0}));

TEST(NamesCharclass, OnlyTheFirst256BytesOfTheSpecCount) {
    EXPECT_EQ(talv::derive_charclass((std::string(253, 'x') + "NUM").c_str()), TALV_CLASS_NUM);
    EXPECT_EQ(talv::derive_charclass((std::string(254, 'x') + "NUM").c_str()), 0);
    EXPECT_EQ(talv::derive_charclass((std::string(256, 'x') + "[1]").c_str()), 0);
}

// ---- a host that writes whatever it likes ---------------------------------

struct Hostile {
    int value_calls = 0;
    std::size_t name_length = 0;
    bool fill_nothing = false;
    int32_t list_count = 0;
    bool entries_unterminated = false;
};

int32_t hostile_value(uintptr_t ctx, const char *name, PPR_FIELD_VALUE *rec) {
    auto *h = reinterpret_cast<Hostile *>(ctx);
    h->value_calls++;
    h->name_length = std::strlen(name);
    if (h->fill_nothing) return 0;
    rec->attr = 3;
    std::memcpy(rec->type, "HAND_ANK", 8);
    std::memset(rec->type + 8, 'Z', sizeof rec->type - 8);
    std::memset(rec->class_spec, ' ', sizeof rec->class_spec);
    std::memcpy(rec->class_spec, "NUM", 3);
    std::memset(rec->value, 'A', sizeof rec->value);  // no terminator anywhere
    return 0;
}

int32_t hostile_list(uintptr_t ctx, PPR_FIELD_ENTRY *entries, int32_t *count, int32_t capacity) {
    auto *h = reinterpret_cast<Hostile *>(ctx);
    for (int32_t i = 0; i < capacity; ++i) {
        std::memset(&entries[i], 'Q', sizeof entries[i]);
        if (!h->entries_unterminated) entries[i].name[0] = '\0';
    }
    if (h->entries_unterminated) std::memcpy(entries[capacity - 1].name, std::string(32, 'L').data(), 32);
    *count = h->list_count;
    return 0;
}

TEST(NamesFieldReference, UnterminatedRecordIsReadOnlyWithinItsSize) {
    NamesEnv env(true);
    Hostile h;
    env.replace(talv::kFieldValue, &hostile_value, reinterpret_cast<uintptr_t>(&h));
    env.replace(talv::kFieldList, &hostile_list, reinterpret_cast<uintptr_t>(&h));
    Symbol *value = reference_field(make_field("F"));
    ASSERT_EQ(value->status, 0);
    EXPECT_EQ(std::string(value->text), normalised(std::string(sizeof(PPR_FIELD_VALUE::value), 'A')));
    EXPECT_EQ(value->charclass, TALV_CLASS_NUM);
    EXPECT_EQ(value->attr, 3);
}

TEST(NamesFieldReference, HostFillingNothingGivesAnEmptyValue) {
    NamesEnv env;
    Hostile h;
    h.fill_nothing = true;
    env.replace(talv::kFieldValue, &hostile_value, reinterpret_cast<uintptr_t>(&h));
    Symbol *value = reference_field(make_field("F"));
    EXPECT_EQ(value->status, 0);
    EXPECT_STREQ(value->text, "");
    EXPECT_EQ(value->attr, 0);
}

TEST(NamesFieldReference, HostGetsAtMost32BytesOfNameTerminated) {
    NamesEnv env;
    Hostile h;
    env.replace(talv::kFieldValue, &hostile_value, reinterpret_cast<uintptr_t>(&h));
    reference_field(make_field(std::string(sizeof(Symbol::text), 'N')));  // text without terminator
    EXPECT_EQ(h.name_length, 32u);
}

TEST(NamesFieldReference, ExcludedListCountsOutsideTheBufferAreClamped) {
    for (int32_t count : {5000, -5, INT32_MAX, INT32_MIN, 960}) {
        NamesEnv env(true);
        Hostile h;
        h.list_count = count;
        h.entries_unterminated = true;
        env.host.set("F", "1");
        env.host.set(std::string(32, 'L'), "1");
        env.replace(talv::kFieldList, &hostile_list, reinterpret_cast<uintptr_t>(&h));
        EXPECT_EQ(reference_field(make_field("F"))->status, 0) << count;
        // The last entry holds 32 bytes without a terminator: it still excludes
        // a field of exactly that name when the count reaches it.
        uint32_t code = reference_field(make_field(std::string(32, 'L')))->code;
        EXPECT_EQ(code, count > 0 ? TALV_E_FIELD_EXCLUDED : 0u) << count;
    }
}

}  // namespace
