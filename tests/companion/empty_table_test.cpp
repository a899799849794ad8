// Linked against a companion whose table is empty: every call goes to the
// builtin table.
#include <gtest/gtest.h>

#include "support/names_env.h"

namespace {

using talv_test::make_symbol;
using talv_test::NamesEnv;

TEST(NamesEmptyCompanion, EmptyTableEndsAtItsFirstRow) { EXPECT_EQ(ext_func_tab[0].func, nullptr); }

TEST(NamesEmptyCompanion, BuiltinsAreFound) {
    NamesEnv env;
    EXPECT_EQ(call_function(make_symbol(TALV_VARIABLE, "SUM"), nullptr)->code, 0xA000000Au);
    EXPECT_EQ(call_function(make_symbol(TALV_VARIABLE, "length"), nullptr)->code, 0xA004000Au);
    EXPECT_EQ(env.message_arg(), "length");
}

TEST(NamesEmptyCompanion, UnknownNamesAreUndefined) {
    NamesEnv env;
    Symbol *name = make_symbol(TALV_VARIABLE, "extcount");
    EXPECT_EQ(call_function(name, nullptr), name);
    EXPECT_EQ(name->code, TALV_E_NO_FUNCTION);
}

}  // namespace
