// The costliest expressions of at most 512 bytes found so far, each as one
// whole evaluation against a form of 960 fields (the most a range can
// list).  Names "1".."960" let the shortest range, [0..999], cover the whole
// table.  The figures bound the time one evaluation can take.
#include <benchmark/benchmark.h>

#include <string>

#include "../tests/support/fake_host.h"
#include "talvechk.h"

namespace {

// Repeats `item` (joined by `sep`) inside `head`...`tail` while the whole
// stays within 512 bytes.
std::string fill(const std::string &head, const std::string &item, const std::string &sep,
                 const std::string &tail) {
    std::string body = item;
    while (head.size() + body.size() + sep.size() + item.size() + tail.size() <= TALV_MAX_EXPR)
        body += sep + item;
    return head + body + tail;
}

std::string nested(const std::string &open, const std::string &inner, const std::string &close) {
    std::string s = inner;
    while (s.size() + open.size() + close.size() <= TALV_MAX_EXPR) s = open + s + close;
    return s;
}

enum class Form { kShortValues, kLongValues, kExcludedList };

talv_test::FakeHost &host_for(Form form) {
    static talv_test::FakeHost hosts[3];
    talv_test::FakeHost &h = hosts[static_cast<int>(form)];
    if (h.fields.empty()) {
        // 104 integer and 32 fraction digits: the longest number a value holds.
        const std::string longest = std::string(104, '9') + "." + std::string(32, '9');
        for (int i = 1; i <= TALV_MAX_FIELDS; ++i)
            h.set(std::to_string(i), form == Form::kLongValues ? longest : std::to_string(i));
        h.set("T", "1");
        // A full excluded list that matches no field: every reference in
        // certify mode compares its name with all 960 entries.
        if (form == Form::kExcludedList)
            for (int i = 1; i <= TALV_MAX_FIELDS; ++i) h.excluded.push_back("X" + std::to_string(i));
    }
    return h;
}

void BM_Worst(benchmark::State &state, std::string expr, Form form, bool certify) {
    talv_test::FakeHost &host = host_for(form);
    host.install();
    uint32_t out = 0;
    for (auto _ : state) {
        PPR_CERTIFY_RESULT rec;
        uint32_t ret = certify ? PPR_certify(&rec, "T", expr.c_str()) : PPR_eval(&out, "T", expr.c_str());
        benchmark::DoNotOptimize(ret);
    }
    state.counters["bytes"] = static_cast<double>(expr.size());
    state.counters["field_reads"] = static_cast<double>(host.value_calls) / static_cast<double>(state.iterations());
    host.value_calls = 0;
    PPR_end();
}

const std::string kRanges = fill("sum(", "[0..999]", ",", ")>0");
const std::string kSumprods = fill("", "sumprod([0..999],[0..999])", "+", ">0");
const std::string kDigitRanges = fill("", "digits([0..999])", "+", ">0");
const std::string kFieldRefs = fill("", "[960]", "+", ">0");
const std::string kMinus = std::string(TALV_MAX_EXPR - 4, '-') + "1==1";
const std::string kDivisions = fill("x=" + std::string(104, '9') + ",", "x", "/", "==1");
const std::string kProducts = fill("x=" + std::string(104, '9') + ",", "x", "*", ">0");
const std::string kNestedSums = nested("sum(", "[0..999]", ",1)");
const std::string kDates = fill("", "jdate(1,5,12,31)", "&&", "");

BENCHMARK_CAPTURE(BM_Worst, sum_of_ranges, kRanges, Form::kShortValues, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Worst, sum_of_ranges_long_values, kRanges, Form::kLongValues, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Worst, sum_of_ranges_certify_excluded, kRanges, Form::kExcludedList, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Worst, sumprod_of_ranges_long_values, kSumprods, Form::kLongValues, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Worst, digits_of_ranges, kDigitRanges, Form::kLongValues, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Worst, field_references_long_values, kFieldRefs, Form::kLongValues, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Worst, nested_sums, kNestedSums, Form::kLongValues, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Worst, unary_minus_chain, kMinus, Form::kShortValues, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Worst, division_chain, kDivisions, Form::kShortValues, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Worst, product_chain, kProducts, Form::kShortValues, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Worst, era_dates, kDates, Form::kShortValues, false)->Unit(benchmark::kMillisecond);

}  // namespace
