// Whole evaluations of the costliest 512-byte expressions found so far; the
// figures bound the time one evaluation can take.
#include <benchmark/benchmark.h>

#include "../tests/support/worst_cases.h"

namespace {

using talv_worst::Case;
using talv_worst::Form;

talv_test::FakeHost &host_for(Form form) {
    static talv_test::FakeHost hosts[3];
    talv_test::FakeHost &h = hosts[static_cast<int>(form)];
    if (h.fields.empty()) talv_worst::fill_form(h, form);
    return h;
}

void BM_Worst(benchmark::State &state, const Case &c) {
    talv_test::FakeHost &host = host_for(c.form);
    host.install();
    host.value_calls = 0;
    uint32_t out = 0;
    PPR_CERTIFY_RESULT rec;
    for (auto _ : state) {
        uint32_t ret = c.certify ? PPR_certify(&rec, "1", c.expr.c_str()) : PPR_eval(&out, "1", c.expr.c_str());
        benchmark::DoNotOptimize(ret);
    }
    state.counters["bytes"] = static_cast<double>(c.expr.size());
    state.counters["field_reads"] =
        static_cast<double>(host.value_calls) / static_cast<double>(state.iterations());
    PPR_end();
}

const int kRegistered = [] {
    for (const Case &c : talv_worst::cases())
        benchmark::RegisterBenchmark(c.name, BM_Worst, c)->Unit(benchmark::kMillisecond);
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
