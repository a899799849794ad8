// Cost of the conversions every operand goes through: normalising a field
// text, reading it as a number, and writing a number back.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "talvechk.h"

namespace {

const std::string kFieldText = " \\-1234567.89  ";

void BM_NormaliseFieldText(benchmark::State &state) {
    const std::string src(static_cast<std::size_t>(state.range(0)), '7');
    char dst[273];
    for (auto _ : state) {
        benchmark::DoNotOptimize(to_sjis_code(src.c_str(), dst));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_NormaliseFieldText)->Arg(8)->Arg(136);

void BM_ReadFieldAsNumber(benchmark::State &state) {
    Symbol sym{};
    for (auto _ : state) {
        std::memcpy(sym.text, kFieldText.c_str(), kFieldText.size() + 1);
        sym.kind = TALV_STRING;
        benchmark::DoNotOptimize(dtchk_number(&sym, 4, 1, 2, 0));
    }
}
BENCHMARK(BM_ReadFieldAsNumber);

void BM_WriteNumberAsText(benchmark::State &state) {
    Symbol number{};
    jis8_to_number(&number, "1234567.89");
    for (auto _ : state) {
        Symbol sym = number;
        benchmark::DoNotOptimize(to_character(&sym));
    }
}
BENCHMARK(BM_WriteNumberAsText);

void BM_AllocateAndSweep(benchmark::State &state) {
    for (auto _ : state) {
        init_symbol_list();
        for (int i = 0; i < 100; ++i) benchmark::DoNotOptimize(sym_alloc());
        free_all_symbol();
    }
}
BENCHMARK(BM_AllocateAndSweep);

}  // namespace

BENCHMARK_MAIN();
