// Time per operator call on NUMBER operands, and the division's quotient
// beside the trial-product long division it replaced, with their ratio
// printed at the end of the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "../tests/support/reference_division.h"
#include "arith/groups.h"
#include "talvechk.h"

namespace {

// Results are owned by the symbol list; releasing it every so often keeps
// memory flat and charges each call its share of the sweep.
constexpr int kCallsPerSweep = 1024;

Symbol *number(const std::string &text, int sign = 0) {
    Symbol *s = create_symbol(text.c_str(), TALV_NUMBER);
    s->sign = sign;
    return s;
}

struct Pair {
    std::string left, right;
    int left_sign = 0, right_sign = 0;
};

const Pair kTypical{"1234567.89", "98765.4321"};
const Pair kTypicalDivision{"123456789012.345", "7.25"};
// 1.9999 * (10^100 - 1) / 1.9999: 25 quotient groups of 9999, each of which
// the one-group estimate puts at 19998.
const Pair kReferenceWorst{"19998" + std::string(95, '9') + "8.0001", "1.9999"};
// A divisor of 17 groups under a 34-group dividend: the most multiply-
// subtract work for the normalised division.
const Pair kFastWorst{std::string(104, '7') + "." + std::string(32, '3'),
                      std::string(36, '9') + "." + std::string(32, '1')};
const Pair kLong{std::string(100, '8') + ".125", std::string(99, '7') + ".5", 1, 0};

void run_operator(benchmark::State &state, Symbol *(*op)(Symbol *, Symbol *), const Pair &pair) {
    init_symbol_list();
    Symbol held_left{}, held_right{};
    {
        held_left = *number(pair.left, pair.left_sign);
        held_right = *number(pair.right, pair.right_sign);
    }
    int calls = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(op(&held_left, &held_right));
        if (++calls == kCallsPerSweep) {
            free_all_symbol();
            init_symbol_list();
            calls = 0;
        }
    }
    free_all_symbol();
    init_symbol_list();
}

void groups_of(const std::string &text, uint16_t *out) {
    init_symbol_list();
    Symbol *s = number(text);
    for (int k = 0; k < 34; ++k) out[k] = s->digits[k];
    free_all_symbol();
    init_symbol_list();
}

void run_fast_quotient(benchmark::State &state, const Pair &pair) {
    uint16_t a[34], d[34], q[34];
    groups_of(pair.left, a);
    groups_of(pair.right, d);
    for (auto _ : state) {
        talv::groups_divide(q, a, d);
        benchmark::DoNotOptimize(q);
    }
}

void run_reference_quotient(benchmark::State &state, const Pair &pair) {
    uint16_t a[34], d[34], q[34];
    groups_of(pair.left, a);
    groups_of(pair.right, d);
    long trials = 0;
    for (auto _ : state) {
        trials = talv_test::reference_divide(q, a, d, 100000000).trial_products;
        benchmark::DoNotOptimize(q);
    }
    state.counters["trial_products"] = static_cast<double>(trials);
}

void BM_op_add(benchmark::State &s) { run_operator(s, op_add, kTypical); }
void BM_op_add_long_mixed_signs(benchmark::State &s) { run_operator(s, op_add, kLong); }
void BM_op_sub(benchmark::State &s) { run_operator(s, op_sub, kTypical); }
void BM_op_mul(benchmark::State &s) { run_operator(s, op_mul, kTypical); }
void BM_op_mul_long(benchmark::State &s) { run_operator(s, op_mul, kLong); }
void BM_op_div_typical(benchmark::State &s) { run_operator(s, op_div, kTypicalDivision); }
void BM_op_div_reference_worst(benchmark::State &s) { run_operator(s, op_div, kReferenceWorst); }
void BM_op_div_fast_worst(benchmark::State &s) { run_operator(s, op_div, kFastWorst); }
void BM_relop_lt(benchmark::State &s) { run_operator(s, relop_lt, kTypical); }
void BM_relop_eq_long(benchmark::State &s) { run_operator(s, relop_eq, kLong); }
void BM_relop_le_equal(benchmark::State &s) { run_operator(s, relop_le, Pair{"42.5", "42.50"}); }

void BM_quotient_fast_typical(benchmark::State &s) { run_fast_quotient(s, kTypicalDivision); }
void BM_quotient_reference_typical(benchmark::State &s) { run_reference_quotient(s, kTypicalDivision); }
void BM_quotient_fast_reference_worst(benchmark::State &s) { run_fast_quotient(s, kReferenceWorst); }
void BM_quotient_reference_reference_worst(benchmark::State &s) { run_reference_quotient(s, kReferenceWorst); }
void BM_quotient_fast_fast_worst(benchmark::State &s) { run_fast_quotient(s, kFastWorst); }
void BM_quotient_reference_fast_worst(benchmark::State &s) { run_reference_quotient(s, kFastWorst); }

BENCHMARK(BM_op_add);
BENCHMARK(BM_op_add_long_mixed_signs);
BENCHMARK(BM_op_sub);
BENCHMARK(BM_op_mul);
BENCHMARK(BM_op_mul_long);
BENCHMARK(BM_op_div_typical);
BENCHMARK(BM_op_div_reference_worst);
BENCHMARK(BM_op_div_fast_worst);
BENCHMARK(BM_relop_lt);
BENCHMARK(BM_relop_eq_long);
BENCHMARK(BM_relop_le_equal);
BENCHMARK(BM_quotient_fast_typical);
BENCHMARK(BM_quotient_reference_typical);
BENCHMARK(BM_quotient_fast_reference_worst);
BENCHMARK(BM_quotient_reference_reference_worst)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_quotient_fast_fast_worst);
BENCHMARK(BM_quotient_reference_fast_worst);

// Remembers each benchmark's time per iteration for the closing ratios.
// CPU time: the machines these run on are shared, and wall time then
// mostly measures the neighbours.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_None) {}
    std::map<std::string, double> ns_per_call;

    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                ns_per_call[run.benchmark_name()] = run.cpu_accumulated_time * 1e9 / static_cast<double>(run.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
};

void print_ratio(const RatioReporter &r, const char *label, const std::string &fast, const std::string &reference) {
    auto f = r.ns_per_call.find(fast), s = r.ns_per_call.find(reference);
    if (f == r.ns_per_call.end() || s == r.ns_per_call.end()) return;
    std::printf("%-28s fast %10.1f ns CPU  reference %14.1f ns CPU  reference/fast %10.1fx\n", label, f->second, s->second,
                s->second / f->second);
}

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nQuotient, same run:\n");
    print_ratio(reporter, "typical divisor", "BM_quotient_fast_typical", "BM_quotient_reference_typical");
    print_ratio(reporter, "1.9999 (reference's worst)", "BM_quotient_fast_reference_worst",
                "BM_quotient_reference_reference_worst");
    print_ratio(reporter, "17-group divisor", "BM_quotient_fast_fast_worst", "BM_quotient_reference_fast_worst");
    benchmark::Shutdown();
    return 0;
}
