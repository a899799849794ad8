// How much of a check's time is the host's own: the four checks of the peer
// comparison over synthetic forms through a minimal host (a hash map per
// form), with the cycles spent inside the field-value and field-table
// callbacks counted apart, and the same callback calls made again without
// the library.  Two hosts' ns per check compare the libraries only net of
// their callbacks; this says how large that part is here.
//
//   callback_share [FORMS [FEW_FORMS]]        defaults 20000 and 300
//
// The few-forms row makes as many checks over the first FEW_FORMS forms
// only, so that the host's data stays in cache; the full row's does not.
// bench/callback_share.sh drives it and says how to read the table.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#if defined(__x86_64__)
#include <x86intrin.h>
#define TALV_HAVE_TSC 1
#endif

#include "talvechk.h"
#include "field_table_host.h"
#include "synthetic_forms.h"

namespace {

using synthetic::Form;
using synthetic::make_forms;

struct Check {
    const char *field, *expr, *kind;
};
constexpr Check kChecks[] = {{"TOTAL", "sum([A1..12])==@", "sum"},
                             {"AMT", "[Q]*[P]==@", "product"},
                             {"P", "[AMT]/[Q]==@", "quotient"},
                             {"D", "ydate([Y],[M],[D])", "date"}};
constexpr int kKinds = 4;
constexpr int kRounds = 3;  // timed apart: the fastest is the least disturbed

// Unfenced, a reading may be taken before the loads ahead of it have landed,
// so that a callback's last misses fall outside its bracket: its figure
// tends low.  Fenced, the bracket is exact but nothing overlaps it, which
// the unbracketed run would: its figure tends high.
bool g_fenced = false;

inline uint64_t tsc() {
#ifdef TALV_HAVE_TSC
    if (!g_fenced) return __rdtsc();
    _mm_lfence();
    const uint64_t t = __rdtsc();
    _mm_lfence();
    return t;
#else
    return 0;
#endif
}


const Form *g_form = nullptr;

// The library hands the record cleared; a minimal host writes only these.
int32_t field_value(uintptr_t, const char *name, PPR_FIELD_VALUE *rec) {
    auto it = g_form->find(name);
    if (it == g_form->end()) return -1;
    std::memset(rec, 0, 8);
    std::memcpy(rec->type, "HAND_ANK", 9);
    const std::size_t n = std::min(it->second.size(), sizeof rec->value - 1);
    std::memcpy(rec->value, it->second.data(), n);
    rec->value[n] = '\0';
    return 0;
}

// Cycles inside the callbacks, by the kind of check running; while
// g_tracing, the calls each check makes, in order, for the callbacks-alone
// run (an empty name stands for the field table).
int g_kind = 0;
uint64_t g_cb_cycles[kKinds], g_cb_calls[kKinds];
bool g_tracing = false;
std::vector<std::string> g_trace[kKinds];

int32_t timed_value(uintptr_t c, const char *name, PPR_FIELD_VALUE *rec) {
    if (g_tracing) g_trace[g_kind].push_back(name);
    const uint64_t t0 = tsc();
    const int32_t rc = field_value(c, name, rec);
    g_cb_cycles[g_kind] += tsc() - t0;
    ++g_cb_calls[g_kind];
    return rc;
}

int32_t timed_range(uintptr_t c, int32_t *count, char **names, int32_t cap, char *store, int32_t size) {
    if (g_tracing) g_trace[g_kind].emplace_back();
    const uint64_t t0 = tsc();
    const int32_t rc = field_range(c, count, names, cap, store, size);
    g_cb_cycles[g_kind] += tsc() - t0;
    ++g_cb_calls[g_kind];
    return rc;
}

template <class V, class R>
void install(V value, R range) {
    PPR_PROC procs[3] = {reinterpret_cast<PPR_PROC>(value), reinterpret_cast<PPR_PROC>(range),
                         reinterpret_cast<PPR_PROC>(&field_list)};
    uintptr_t contexts[3] = {0, 0, 0};
    if (PPR_init(procs, contexts) != 0) {
        std::fprintf(stderr, "callback_share: PPR_init failed\n");
        std::exit(2);
    }
}

// A check bracketed longer than this was preempted or interrupted: its
// cycles and its callbacks' are left out of the share, which one time slice
// would otherwise move by whole percents.
constexpr uint64_t kPreempted = 100000;

struct Run {
    double ns_per_check = 0, tsc_per_ns = 0;  // ns: the fastest round's
    long checks = 0, failed = 0, errors = 0, dropped = 0;
    uint64_t evals[kKinds] = {}, eval_cycles[kKinds] = {}, cb_cycles[kKinds] = {}, cb_calls[kKinds] = {};
};

// kRounds rounds of `passes` passes over the first `used` forms.
Run run_checks(const std::vector<Form> &forms, std::size_t used, int passes, bool timed) {
    if (timed) install(&timed_value, &timed_range);
    else install(&field_value, &field_range);
    std::fill(std::begin(g_cb_cycles), std::end(g_cb_cycles), 0);
    std::fill(std::begin(g_cb_calls), std::end(g_cb_calls), 0);
    Run r;
    for (int round = 0; round < kRounds; ++round) {
        const auto t0 = std::chrono::steady_clock::now();
        const uint64_t c0 = tsc();
        for (int p = 0; p < passes; ++p)
            for (std::size_t i = 0; i < used; ++i) {
                g_form = &forms[i];
                for (int k = 0; k < kKinds; ++k) {
                    g_kind = k;
                    uint32_t out = 0;
                    const uint64_t cb = g_cb_cycles[k], calls = g_cb_calls[k], e0 = timed ? tsc() : 0;
                    const uint32_t ret = PPR_eval(&out, kChecks[k].field, kChecks[k].expr);
                    if (timed) {
                        const uint64_t e = tsc() - e0;
                        if (e > kPreempted) {
                            g_cb_cycles[k] = cb;
                            g_cb_calls[k] = calls;
                            ++r.dropped;
                        } else {
                            r.eval_cycles[k] += e;
                            ++r.evals[k];
                        }
                    }
                    r.failed += ret == 0 && out == TALV_FALSE;
                    r.errors += ret != 0 || (out != 0 && out != TALV_FALSE);
                }
            }
        const uint64_t c1 = tsc();
        const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
        const double per_check = ns / static_cast<double>(static_cast<std::size_t>(passes) * used * kKinds);
        if (round == 0 || per_check < r.ns_per_check) r.ns_per_check = per_check;
        r.tsc_per_ns = static_cast<double>(c1 - c0) / ns;
    }
    r.checks = static_cast<long>(static_cast<std::size_t>(kRounds * passes) * used * kKinds);
    std::copy(std::begin(g_cb_cycles), std::end(g_cb_cycles), r.cb_cycles);
    std::copy(std::begin(g_cb_calls), std::end(g_cb_calls), r.cb_calls);
    return r;
}

// The calls of g_trace for every form, through pointers the compiler cannot
// see through, as the library makes them; ns per check of the fastest round.
double run_alone(const std::vector<Form> &forms, std::size_t used, int passes) {
    static PPR_FIELD_VALUE rec;
    static char *names[TALV_MAX_FIELDS];
    static char store[TALV_FIELD_STORE_SIZE];
    PPR_FIELD_VALUE_PROC volatile value = &field_value;
    PPR_FIELD_RANGE_PROC volatile range = &field_range;
    long sink = 0;
    double best = 0;
    for (int round = 0; round < kRounds; ++round) {
        const auto t0 = std::chrono::steady_clock::now();
        for (int p = 0; p < passes; ++p)
            for (std::size_t i = 0; i < used; ++i) {
                g_form = &forms[i];
                for (const std::vector<std::string> &calls : g_trace)
                    for (const std::string &name : calls) {
                        int32_t count = 0;
                        sink += name.empty() ? range(0, &count, names, TALV_MAX_FIELDS, store, TALV_FIELD_STORE_SIZE)
                                             : value(0, name.c_str(), &rec);
                    }
            }
        const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
        const double per_check = ns / static_cast<double>(static_cast<std::size_t>(passes) * used * kKinds);
        if (round == 0 || per_check < best) best = per_check;
    }
    if (sink != 0) std::fprintf(stderr, "callback_share: a replayed callback failed\n");
    return best;
}

#ifdef TALV_HAVE_TSC
// Cycles between two back-to-back readings: what every bracketed interval
// reads beyond its contents.  The median of batch means, so that a batch
// preempted does not count.
double rdtsc_pair_cycles() {
    constexpr int kBatches = 63, kPairs = 1 << 14;
    double means[kBatches];
    for (double &m : means) {
        uint64_t sum = 0;
        for (int i = 0; i < kPairs; ++i) {
            const uint64_t a = tsc();
            sum += tsc() - a;
        }
        m = static_cast<double>(sum) / kPairs;
    }
    std::nth_element(means, means + kBatches / 2, means + kBatches);
    return means[kBatches / 2];
}

// The callbacks' part of the timed run, net of the brackets: a callback's
// reading carries one, a check's its own and one per callback it made.
void print_share(const Run &timed, double pair) {
    double cb_all = 0, eval_all = 0, share[kKinds], counted = 0;
    for (int k = 0; k < kKinds; ++k) {
        const double cb = static_cast<double>(timed.cb_cycles[k]) - pair * static_cast<double>(timed.cb_calls[k]);
        const double eval = static_cast<double>(timed.eval_cycles[k]) -
                            pair * static_cast<double>(timed.evals[k] + timed.cb_calls[k]);
        share[k] = cb / eval;
        cb_all += cb;
        eval_all += eval;
        counted += static_cast<double>(timed.evals[k]);
    }
    const double cb_ns = cb_all / timed.tsc_per_ns / counted;
    std::printf(" %-8s %8.1f %8.1f %7.1f%%", g_fenced ? "fenced" : "unfenced", timed.ns_per_check, cb_ns,
                100 * cb_all / eval_all);
    for (double s : share) std::printf(" %7.1f%%", 100 * s);
    if (timed.dropped) std::printf("  (%ld left out)", timed.dropped);
    std::printf("\n");
}
#endif

// Rows for the first `used` forms, a round being about as many checks as
// one pass over all forms makes.
void print_rows(const std::vector<Form> &forms, std::size_t used, const double (&pair)[2]) {
    const int passes = static_cast<int>(std::max<std::size_t>(1, forms.size() / used));
    const Run plain = run_checks(forms, used, passes, false);
    const double alone = run_alone(forms, used, passes);
    std::printf("%6zu %8ld %6ld %6ld %8.1f %8.1f", used, plain.checks, plain.failed, plain.errors,
                plain.ns_per_check, alone);
#ifdef TALV_HAVE_TSC
    for (int fenced = 0; fenced < 2; ++fenced) {
        g_fenced = fenced;
        const Run timed = run_checks(forms, used, passes, true);
        for (int k = 0; k < kKinds; ++k)  // the first form's calls must stand for every form's
            if (timed.cb_calls[k] != g_trace[k].size() * timed.evals[k])
                std::fprintf(stderr, "callback_share: %s checks made other calls than the first form's\n",
                             kChecks[k].kind);
        if (fenced) std::printf("%47s", "");
        print_share(timed, pair[fenced]);
    }
    g_fenced = false;
#else
    (void)pair;
    std::printf(" %-8s %8s %8s %8s\n", "-", "-", "-", "-");
#endif
}

}  // namespace

int main(int argc, char **argv) {
    const long n = argc > 1 ? std::atol(argv[1]) : 20000, few = argc > 2 ? std::atol(argv[2]) : 300;
    if (n < 1 || few < 1 || few > n) {
        std::fprintf(stderr, "usage: callback_share [FORMS [FEW_FORMS]]  (1 <= FEW_FORMS <= FORMS)\n");
        return 2;
    }
    const std::vector<Form> forms = make_forms(static_cast<std::size_t>(n));
    for (const auto &kv : forms[0]) g_names.push_back(kv.first);  // the map's own order

    // One round on the first form records the calls each check makes, and
    // warms what the timed runs would otherwise pay for once (lazy binding,
    // recorded parses).
    install(&timed_value, &timed_range);
    g_form = &forms[0];
    g_tracing = true;
    for (int k = 0; k < kKinds; ++k) {
        g_kind = k;
        uint32_t out = 0;
        PPR_eval(&out, kChecks[k].field, kChecks[k].expr);
    }
    g_tracing = false;
    std::printf("callbacks per check:");
    for (int k = 0; k < kKinds; ++k) {
        const auto &t = g_trace[k];
        std::printf(" %s %zu (%ld table)", kChecks[k].kind, t.size(),
                    static_cast<long>(std::count(t.begin(), t.end(), std::string())));
    }
    std::printf("\n");

#ifdef TALV_HAVE_TSC
    double pair[2];
    for (int fenced = 0; fenced < 2; ++fenced) {
        g_fenced = fenced;
        pair[fenced] = rdtsc_pair_cycles();
    }
    g_fenced = false;
    std::printf("rdtsc pair: %.1f cycles unfenced, %.1f fenced; subtracted once per timed interval\n", pair[0],
                pair[1]);
#else
    const double pair[2] = {0, 0};
    std::printf("no rdtsc on this target: the callbacks' share is not measured\n");
#endif
    std::printf("\n%6s %8s %6s %6s %8s %8s %-8s %8s %8s %8s %8s %8s %8s %8s\n", "forms", "checks", "false",
                "errors", "plain", "alone", "readings", "timed", "in-cb", "share", kChecks[0].kind,
                kChecks[1].kind, kChecks[2].kind, kChecks[3].kind);
    print_rows(forms, forms.size(), pair);
    print_rows(forms, static_cast<std::size_t>(few), pair);
    PPR_end();
    return 0;
}
