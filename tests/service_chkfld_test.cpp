#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "talvechk.h"

namespace {

constexpr int32_t kUntouched = 0x7777;

std::vector<int32_t> listing(const char *expr, std::vector<const char *> names) {
    std::vector<int32_t> out(names.size() + 1, kUntouched);
    names.push_back(nullptr);
    EXPECT_EQ(PPR_chkfld(out.data(), names.data(), expr), 0u) << expr;
    while (!out.empty() && out.back() == kUntouched) out.pop_back();
    return out;
}

using V = std::vector<int32_t>;

TEST(ServiceChkfld, ListsReferencedNamesInNameOrder) {
    EXPECT_EQ(listing("[Total]>0 && [Tax]==0", {"Total", "Tax", "Net"}), (V{0, 1, -1}));
    EXPECT_EQ(listing("[Tax]+[Total]+[Tax]", {"Total", "Tax"}), (V{0, 1, -1}));
    EXPECT_EQ(listing("[Net]", {"Total", "Tax", "Net"}), (V{2, -1}));
    EXPECT_EQ(listing("[A]", {}), (V{-1}));
    EXPECT_EQ(listing("[A]", {"A", "A"}), (V{0, 1, -1}));
}

TEST(ServiceChkfld, MatchesTheBracketContentExactly) {
    EXPECT_EQ(listing("'see [Total]'", {"Total"}), (V{-1}));
    EXPECT_EQ(listing("'a'==[Total]", {"Total"}), (V{0, -1}));
    EXPECT_EQ(listing("[ Total ]>0", {"Total"}), (V{-1}));
    EXPECT_EQ(listing("[ Total ]>0", {" Total "}), (V{0, -1}));
    EXPECT_EQ(listing("[Total2]>0", {"Total"}), (V{-1}));
    EXPECT_EQ(listing("[total]>0", {"Total"}), (V{-1}));
    EXPECT_EQ(listing("[Tot]", {"Total"}), (V{-1}));
    EXPECT_EQ(listing("[]==[A]", {"", "A"}), (V{0, 1, -1}));
    EXPECT_EQ(listing("[Total", {"Total"}), (V{-1}));
    EXPECT_EQ(listing("[X[Total]", {"Total"}), (V{-1}));
    EXPECT_EQ(listing("[\x83\x5D]", {"\x83\x5D"}), (V{0, -1}));
    EXPECT_EQ(listing("[A1..3]", {"A1", "A1..3"}), (V{1, -1}));
    EXPECT_EQ(listing("@==1", {"@", ""}), (V{-1}));
}

TEST(ServiceChkfld, TextsWithoutVisibleCharactersReferenceNothing) {
    EXPECT_EQ(listing("", {"A", ""}), (V{-1}));
    EXPECT_EQ(listing("   ", {"A", ""}), (V{-1}));
    EXPECT_EQ(listing("\x83\x5B\x83\x5D", {"", "\x83\x5D"}), (V{-1}));
}

TEST(ServiceChkfld, LengthLimit) {
    std::string at512 = std::string(505, ' ') + "[Total]";
    ASSERT_EQ(at512.size(), 512u);
    EXPECT_EQ(listing(at512.c_str(), {"Total"}), (V{0, -1}));

    std::string at513 = " " + at512;
    const char *names[] = {"Total", nullptr};
    int32_t out[2] = {kUntouched, kUntouched};
    EXPECT_EQ(PPR_chkfld(out, names, at513.c_str()), TALV_R_CHKFLD_BAD_PARAM);
    EXPECT_EQ(out[0], kUntouched);
}

TEST(ServiceChkfld, NullArgumentsRefused) {
    const char *names[] = {"Total", nullptr};
    int32_t out[2] = {kUntouched, kUntouched};
    EXPECT_EQ(PPR_chkfld(nullptr, names, "[Total]"), TALV_R_CHKFLD_BAD_PARAM);
    EXPECT_EQ(PPR_chkfld(out, nullptr, "[Total]"), TALV_R_CHKFLD_BAD_PARAM);
    EXPECT_EQ(PPR_chkfld(out, names, nullptr), TALV_R_CHKFLD_BAD_PARAM);
    EXPECT_EQ(out[0], kUntouched);
}

}  // namespace
