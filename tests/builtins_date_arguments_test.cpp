// The date and time rows take a field of digits alone straight from its
// read; every argument must still read as the integer symbol_to_long makes
// of the same text, whatever the blank and point modes.  A field and a
// string holding the text the field normalises to answer alike.
#include <string>
#include <vector>

#include "builtins_calls.h"
#include "support/names_env.h"
#include "values/modes.h"

namespace {

using builtins_test::BuiltinCalls;

class BuiltinsDateArguments : public BuiltinCalls {
protected:
    struct Seen {
        bool null = true;
        std::string symbol, message;
        bool operator==(const Seen &) const = default;
    };

    static Seen seen(Symbol *r) {
        Seen s;
        s.message = message_arg();
        if (!r) return s;
        s.null = false;
        Symbol copy = *r;
        copy.next = nullptr;
        copy.value = nullptr;
        s.symbol.assign(reinterpret_cast<const char *>(&copy), sizeof copy);
        return s;
    }

    static std::string quoted(const std::string &text) { return "'" + talv_test::normalised(text) + "'"; }
};

TEST_F(BuiltinsDateArguments, FieldsAnswerAsTheTextsTheyHold) {
    const std::vector<std::string> texts = {
        "2024", "\x82\x51\x82\x4f\x82\x51\x82\x53", "02", "2", "0029", "12", "29", "31",
        "99999999", "100000000", "12345678901234567890", "", " 2", "-3", "1.5", "29 ", "2\x82\x4f",
    };
    struct Modes {
        int32_t all, in, right, point;
    } modes[] = {{4, 1, 2, 0}, {1, 1, 1, 0}, {4, 4, 4, 0}, {4, 2, 2, 3}};
    for (const Modes &m : modes) {
        all_blank = m.all;
        in_blank = m.in;
        right_blank = m.right;
        decimal_point = m.point;
        for (const std::string &y : texts) {
            for (const std::string &md : texts) {
                host.set("Y", y);
                host.set("M", md);
                host.set("D", md);
                talv::g_state.message_arg[0] = '\0';
                const Seen by_field = seen(call("ydate", "[Y], [M], [D]"));
                talv::g_state.message_arg[0] = '\0';
                const Seen by_text = seen(call("ydate", quoted(y) + ", " + quoted(md) + ", " + quoted(md)));
                ASSERT_EQ(by_field, by_text) << "ydate of '" << y << "', '" << md << "'";
                talv::g_state.message_arg[0] = '\0';
                const Seen day_field = seen(call("day", "[Y]"));
                talv::g_state.message_arg[0] = '\0';
                const Seen day_text = seen(call("day", quoted(y)));
                ASSERT_EQ(day_field, day_text) << "day of '" << y << "'";
                talv::g_state.message_arg[0] = '\0';
                const Seen time_field = seen(call("time12", "[M], [D], [Y]"));
                talv::g_state.message_arg[0] = '\0';
                const Seen time_text = seen(call("time12", quoted(md) + ", " + quoted(md) + ", " + quoted(y)));
                ASSERT_EQ(time_field, time_text) << "time12 of '" << md << "', '" << y << "'";
            }
        }
    }
}

// A variable's value is read where the variable holds it; a field it holds
// is read afresh by the conversion, and nothing hands over a stale value.
TEST_F(BuiltinsDateArguments, VariablesHoldingFieldsAreReadAfresh) {
    host.set("Y", "2000");
    host.set("M", "2");
    host.set("D", "29");
    Symbol *held = create_symbol("[D$", TALV_FIELD);
    ASSERT_NE(assign_variable("d", held), nullptr);
    Symbol *r = call("ydate", "[Y], [M], d");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->status, 0);
    EXPECT_EQ(integer_of(r), 2451604);
    host.set("D", "30");
    r = call("ydate", "[Y], [M], d");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->status, 1);
}

}  // namespace
