// A record changed one field at a time must read as the same record packed
// whole: the suggester tries thousands of changes on one scratch record.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/results.h"

namespace {

struct Change {
    std::size_t field;
    std::string text;
};

class RecordReplace : public ::testing::TestWithParam<Change> {};

std::vector<std::string> values_of(const talvhost::Record &rec) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < rec.fields(); ++i) out.emplace_back(rec.value(i));
    return out;
}

TEST_P(RecordReplace, ReadsAsThePackedRecordAndBack) {
    const std::vector<std::string> base{"ab", "", "xyz", "1"};
    talvhost::Record rec;
    rec.pack(base, false);
    std::vector<std::string> expected = base;
    expected[GetParam().field] = GetParam().text;
    rec.replace(GetParam().field, GetParam().text);
    EXPECT_EQ(values_of(rec), expected);
    rec.replace(GetParam().field, base[GetParam().field]);
    EXPECT_EQ(values_of(rec), base);
}

INSTANTIATE_TEST_SUITE_P(Record, RecordReplace,
                         ::testing::Values(Change{0, "abcdef"}, Change{0, ""}, Change{1, "new"}, Change{2, "x"},
                                           Change{3, ""}, Change{3, "12345678901234567890"}, Change{2, "xyz"}));

}  // namespace
