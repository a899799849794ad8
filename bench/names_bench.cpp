// Cost of name resolution against a simulated host: one field reference,
// one variable read, and range expansion over a full field table.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "service/state.h"
#include "../tests/support/fake_host.h"

namespace {

using talv_test::FakeHost;

struct Scope {
    FakeHost host;
    explicit Scope(bool certify) {
        static_cast<talv::EvalSetup &>(talv::g_state) = talv::EvalSetup{};
        talv::g_state.callbacks[talv::kFieldValue] = reinterpret_cast<PPR_PROC>(&FakeHost::value_cb);
        talv::g_state.callbacks[talv::kFieldRange] = reinterpret_cast<PPR_PROC>(&FakeHost::range_cb);
        talv::g_state.callbacks[talv::kFieldList] = reinterpret_cast<PPR_PROC>(&FakeHost::list_cb);
        for (int slot = 0; slot < 3; ++slot) talv::g_state.contexts[slot] = host.context(slot);
        talv::g_state.certify_mode = certify ? 1 : 0;
        init_symbol_list();
        init_variable();
    }
    ~Scope() {
        free_all_symbol();
        init_symbol_list();
    }
};

Symbol *field_symbol(const char *name) {
    Symbol *s = sym_alloc();
    std::snprintf(s->text, sizeof s->text, "%s", name);
    s->kind = TALV_FIELD;
    return s;
}

void BM_ReferenceField(benchmark::State &state) {
    Scope scope(state.range(0) != 0);
    scope.host.set("AMOUNT", "12345", "HAND_ANK", "[0-9]NUM");
    for (int i = 0; i < 20; ++i) scope.host.excluded.push_back(std::string(1, 'X').append(std::to_string(i)));
    Symbol *field = field_symbol("AMOUNT");
    for (auto _ : state) {
        benchmark::DoNotOptimize(reference_field(field));
        state.PauseTiming();
        free_all_symbol();
        init_symbol_list();
        field = field_symbol("AMOUNT");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReferenceField)->Arg(0)->Arg(1);

void BM_ExpandRange(benchmark::State &state) {
    Scope scope(false);
    for (int i = 1; i <= TALV_MAX_FIELDS; ++i) scope.host.set(std::string(1, 'F').append(std::to_string(i)), "1");
    const char *range = state.range(0) ? "F1..999999999" : "F1..12";
    Symbol *arg = field_symbol(range);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ext_field_arg(arg));
        state.PauseTiming();
        free_all_symbol();
        init_symbol_list();
        arg = field_symbol(range);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ExpandRange)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
