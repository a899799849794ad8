// The costliest expressions of at most 512 bytes found so far, and the form
// of 960 fields (the most a range can list) they run against.  Field names
// "1".."960" let the shortest range, [0..999], cover the whole table; field
// 1 is the one being checked.  Shared by the worst-case benchmark and the
// resource-bound tests.
#pragma once

#include <string>
#include <vector>

#include "fake_host.h"
#include "talvechk.h"

namespace talv_worst {

// Repeats `item` (joined by `sep`) between `head` and `tail` while the whole
// stays within 512 bytes.
inline std::string fill(const std::string &head, const std::string &item, const std::string &sep,
                        const std::string &tail) {
    std::string body = item;
    while (head.size() + body.size() + sep.size() + item.size() + tail.size() <= TALV_MAX_EXPR)
        body += sep + item;
    return head + body + tail;
}

inline std::string nested(const std::string &open, const std::string &inner, const std::string &close) {
    std::string s = inner;
    while (s.size() + open.size() + close.size() <= TALV_MAX_EXPR) s = open + s + close;
    return s;
}

enum class Form { kShortValues, kLongValues, kExcludedList };

inline void fill_form(talv_test::FakeHost &h, Form form) {
    // 104 integer and 32 fraction digits: the longest number a value holds.
    const std::string longest = std::string(104, '9') + "." + std::string(32, '9');
    for (int i = 1; i <= TALV_MAX_FIELDS; ++i)
        h.set(std::to_string(i), form == Form::kLongValues ? longest : std::to_string(i));
    // A full excluded list that matches no field: in certify mode every
    // reference compares its name with all 960 entries.
    if (form == Form::kExcludedList)
        for (int i = 1; i <= TALV_MAX_FIELDS; ++i) h.excluded.push_back("X" + std::to_string(i));
}

struct Case {
    const char *name;
    std::string expr;
    Form form;
    bool certify;
};

inline const std::vector<Case> &cases() {
    static const std::vector<Case> all = {
        {"sum_of_ranges", fill("sum(", "[0..999]", ",", ")>0"), Form::kShortValues, false},
        {"sum_of_ranges_long_values", fill("sum(", "[0..999]", ",", ")>0"), Form::kLongValues, false},
        {"sum_of_ranges_certify_excluded", fill("sum(", "[0..999]", ",", ")>0"), Form::kExcludedList, true},
        {"sumprod_of_ranges_long_values", fill("", "sumprod([0..999],[0..999])", "+", ">0"), Form::kLongValues,
         false},
        {"digits_of_ranges", fill("", "digits([0..999])", "+", ">0"), Form::kLongValues, false},
        {"field_references_long_values", fill("", "[960]", "+", ">0"), Form::kLongValues, false},
        {"nested_sums", nested("sum(", "[0..999]", ",1)"), Form::kLongValues, false},
        // Each side of the comparison as deep as the parser's stack allows.
        {"unary_minus_chain", std::string(254, '-') + "1==" + std::string(254, '-') + "1", Form::kShortValues,
         false},
        {"division_chain", fill("x=" + std::string(104, '9') + ",", "x", "/", "==1"), Form::kShortValues, false},
        {"product_chain", fill("x=" + std::string(104, '9') + ",", "x", "*", ">0"), Form::kShortValues, false},
        {"era_dates", fill("", "jdate(1,5,12,31)", "&&", ""), Form::kShortValues, false},
    };
    return all;
}

}  // namespace talv_worst
