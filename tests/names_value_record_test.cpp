// The value record the field-value callback is handed is clear wherever a
// read can reach, call after call, whatever earlier calls wrote into it,
// and a read from inside a callback gets a record of its own.
#include <gtest/gtest.h>

#include <string>

#include "names/value_record.h"
#include "support/names_env.h"

namespace {

struct Recorder {
    std::string value, type, class_spec;  // what to write, terminated
    bool terminate = true;
    bool was_clear = true;                // every byte a read reaches was zero on entry
    int calls = 0;
    bool reenter = false;
};

bool all_zero(const char *p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (p[i] != 0) return false;
    return true;
}

void put(char *dst, std::size_t size, const std::string &s, bool terminate) {
    std::memcpy(dst, s.data(), std::min(s.size(), size));
    if (terminate && s.size() < size) dst[s.size()] = '\0';
}

int32_t recording_value(uintptr_t ctx, const char *, PPR_FIELD_VALUE *rec) {
    auto *r = reinterpret_cast<Recorder *>(ctx);
    ++r->calls;
    r->was_clear = r->was_clear && rec->attr == 0 && all_zero(rec->type, sizeof rec->type) &&
                   all_zero(rec->class_spec, sizeof rec->class_spec) && all_zero(rec->value, sizeof rec->value);
    if (r->reenter) {
        r->reenter = false;
        Symbol inner{};
        std::memcpy(inner.text, "G", 2);
        inner.kind = TALV_FIELD;
        EXPECT_EQ(reference_field(&inner)->status, 0);  // a record of its own: this one stays as it is
    }
    rec->attr = 7;
    put(rec->type, sizeof rec->type, r->type, r->terminate);
    put(rec->class_spec, sizeof rec->class_spec, r->class_spec, r->terminate);
    put(rec->value, sizeof rec->value, r->value, r->terminate);
    return 0;
}

TEST(NamesValueRecord, EveryReadStartsFromAClearRecord) {
    talv_test::NamesEnv env(true);
    talv::clear_value_record();
    Recorder r;
    env.replace(talv::kFieldValue, &recording_value, reinterpret_cast<uintptr_t>(&r));
    struct Write {
        std::string value, type, class_spec;
        bool terminate;
    } writes[] = {
        {std::string(300, '7'), "HAND_ANK", "NUM HYP", true},
        {"12", "PRINT_ANK", "", true},
        {std::string(sizeof(PPR_FIELD_VALUE::value), '9'), std::string(65, 'T'), std::string(257, 'C'), false},
        {"", "MARK", "", true},
        {"5", "HAND_ANK", "[0-9]", true},
    };
    for (const Write &w : writes) {
        r.value = w.value;
        r.type = w.type;
        r.class_spec = w.class_spec;
        r.terminate = w.terminate;
        Symbol field{};
        std::memcpy(field.text, "F", 2);
        field.kind = TALV_FIELD;
        reference_field(&field);
    }
    EXPECT_EQ(r.calls, 5);
    EXPECT_TRUE(r.was_clear);
}

TEST(NamesValueRecord, ReadFromInsideACallbackGetsARecordOfItsOwn) {
    talv_test::NamesEnv env;
    talv::clear_value_record();
    Recorder r;
    r.value = "42";
    r.type = "HAND_ANK";
    r.reenter = true;
    env.replace(talv::kFieldValue, &recording_value, reinterpret_cast<uintptr_t>(&r));
    Symbol field{};
    std::memcpy(field.text, "F", 2);
    field.kind = TALV_FIELD;
    Symbol *outer = reference_field(&field);
    ASSERT_NE(outer, nullptr);
    EXPECT_EQ(r.calls, 2);
    EXPECT_TRUE(r.was_clear);
    EXPECT_EQ(std::string(outer->text), "\x82\x53\x82\x51");  // "42" in full width
    EXPECT_EQ(outer->attr, 7);
    // The shared record is clear again for the next read.
    r.value = "1";
    reference_field(&field);
    EXPECT_TRUE(r.was_clear);
}

}  // namespace
