// Cost of the front end: splitting a prepared text into tokens, and whole
// evaluations through PPR_eval with a simulated host.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "lang/frontend.h"
#include "lang/tokens.h"
#include "service/state.h"
#include "../tests/support/fake_host.h"
#include "talvechk.h"

namespace {

void prepare(const std::string &text) {
    std::memcpy(talv::g_state.scanner_input, text.c_str(), text.size() + 1);
    talv::g_state.read_pos = 0;
    talv::g_state.end_pos = text.size();
}

// Operators only, so that no Symbol is made and the automaton alone is timed.
void BM_ScanOperators(benchmark::State &state) {
    std::string text;
    while (text.size() + 6 <= 512) text += "<= || ";
    for (auto _ : state) {
        prepare(text);
        talv::scanner_reset();
        talv::TokenValue v{};
        int tokens = 0;
        while (talv::scan_token(&v) != 0) ++tokens;
        benchmark::DoNotOptimize(tokens);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    talv::scanner_delete_buffer();
}
BENCHMARK(BM_ScanOperators);

const std::string kDeepMinus = std::string(498, '-') + "1==1";

void BM_Evaluate(benchmark::State &state, const char *expr) {
    talv_test::FakeHost host;
    host.set("A1", "12");
    host.set("A2", "30");
    host.set("T", "42");
    host.install();
    for (auto _ : state) {
        uint32_t out = 0;
        benchmark::DoNotOptimize(PPR_eval(&out, "T", expr));
        benchmark::DoNotOptimize(out);
    }
    PPR_end();
}
BENCHMARK_CAPTURE(BM_Evaluate, arithmetic, "1+2*3==7, x=5, x*2==10");
BENCHMARK_CAPTURE(BM_Evaluate, fields, "[A1]+[A2]==@ && [A1]<[A2]");
BENCHMARK_CAPTURE(BM_Evaluate, unary_minus_498, kDeepMinus.c_str());

}  // namespace
BENCHMARK_MAIN();
