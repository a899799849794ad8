#include <gtest/gtest.h>

#include "values/alloc.h"

namespace {

TEST(AllocationHook, FailsExactlyTheNthCall) {
    talv::alloc_fail_at(2);
    void *a = talv::alloc(8);
    void *b = talv::alloc(8);
    void *c = talv::alloc(8);
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(b, nullptr);
    EXPECT_NE(c, nullptr);
    talv::release(a);
    talv::release(c);
    talv::alloc_fail_at(0);
}

TEST(AllocationHook, StickyFailsEveryLaterCall) {
    talv::alloc_fail_at(1, true);
    EXPECT_EQ(talv::alloc(8), nullptr);
    EXPECT_EQ(talv::alloc(8), nullptr);
    talv::alloc_fail_at(0);
    void *p = talv::alloc(8);
    EXPECT_NE(p, nullptr);
    talv::release(p);
}

}  // namespace
