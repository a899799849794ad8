// The four checks of the comparison with a Python decimal host, one row
// each, through PPR_eval and an in-process host of the same shape as a real
// one (a hash map from field name to recognised text).  The forms vary as
// the comparison's do: amounts half-width, full-width and blank-led.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "talvechk.h"
#include "field_table_host.h"
#include "synthetic_forms.h"

namespace {

using synthetic::Form;
using synthetic::make_forms;

const std::vector<Form> &forms() {
    static const std::vector<Form> all = make_forms(256);
    return all;
}
const Form *g_form = nullptr;

int32_t field_value(uintptr_t, const char *name, PPR_FIELD_VALUE *rec) {
    auto it = g_form->find(name);
    if (it == g_form->end()) return -1;
    rec->attr = 0;
    std::memcpy(rec->type, "HAND_ANK", 9);
    rec->class_spec[0] = '\0';
    const std::size_t n = std::min(it->second.size(), sizeof rec->value - 1);
    std::memcpy(rec->value, it->second.data(), n);
    rec->value[n] = '\0';
    return 0;
}

void install() {
    g_names.clear();
    for (const auto &kv : forms()[0]) g_names.push_back(kv.first);
    PPR_PROC procs[3] = {reinterpret_cast<PPR_PROC>(&field_value), reinterpret_cast<PPR_PROC>(&field_range),
                         reinterpret_cast<PPR_PROC>(&field_list)};
    uintptr_t contexts[3] = {0, 0, 0};
    PPR_init(procs, contexts);
}

void BM_PeerCheck(benchmark::State &state, const char *field, const char *expr) {
    install();
    std::size_t i = 0;
    long failed = 0;
    for (auto _ : state) {
        g_form = &forms()[i++ % forms().size()];
        uint32_t out = 0;
        benchmark::DoNotOptimize(PPR_eval(&out, field, expr));
        failed += out != 0;
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    state.counters["not_passed"] = benchmark::Counter(static_cast<double>(failed), benchmark::Counter::kAvgIterations);
    PPR_end();
}

BENCHMARK_CAPTURE(BM_PeerCheck, sum_of_12, "TOTAL", "sum([A1..12])==@");
BENCHMARK_CAPTURE(BM_PeerCheck, product, "AMT", "[Q]*[P]==@");
BENCHMARK_CAPTURE(BM_PeerCheck, quotient, "P", "[AMT]/[Q]==@");
BENCHMARK_CAPTURE(BM_PeerCheck, ydate, "D", "ydate([Y],[M],[D])");

}  // namespace

BENCHMARK_MAIN();
