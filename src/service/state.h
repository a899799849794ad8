// The evaluation state, in one place: what the entry points, the scanner,
// the parser and the operations share within an evaluation (the result word,
// the hand-over from a field read to its operator, the variable table) and
// what outlives it (the host's callbacks, the Symbol pool, the caches).  One
// evaluation runs at a time; nothing here is locked.
//
// Two pieces stay outside by the interface's demand: the exported mode
// variables (all_blank, in_blank, right_blank, decimal_point), which
// extension functions read and change while an evaluation runs, so the
// readers take them where they stand rather than from a copy; and the
// companion library's ext_func_tab, which `lookups` caches rows of.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lang/parse_cache.h"
#include "names/function_lookups.h"
#include "service/trace_state.h"
#include "talvechk.h"
#include "values/number_reader.h"
#include "values/symbol_list.h"

namespace talv {

enum CallbackSlot { kFieldValue = 0, kFieldRange = 1, kFieldList = 2 };

// What the entry points set up: the host's callbacks, and per evaluation its
// text, the field being checked and the outcome.  Tests that drive the
// operations directly put this part back alone; the rest holds the pool's
// memory and the caches.
struct EvalSetup {
    PPR_PROC callbacks[4] = {};
    uintptr_t contexts[4] = {};
    int32_t certify_mode = 0;
    uint32_t result_word = 0;

    // The normalised expression text the scanner reads; read_pos walks up to
    // end_pos (the terminating NUL).
    char scanner_input[TALV_MAX_EXPR + 4] = {};
    std::size_t read_pos = 0;
    std::size_t end_pos = 0;

    char self_field[64] = {};     // "[" + name of the field being checked + "$"
    char message_arg[512] = {};   // replaces %s in the current result's message
};

struct EvalState : EvalSetup {
    // The hand-over from a field read to the operator that asked for it.
    FreshRead fresh_read{};
    // The cells of the evaluation's Symbols; the pool outlives it.
    SymbolPool symbols{};
    // Parses recorded and kept; they outlive the evaluation.
    ParseCache parses{};
    // Function names found; kept until PPR_init.
    FunctionLookups lookups{};
    // The anchor of the variable table's chain: outside the symbol list so
    // that the sweep at the end of an evaluation never frees it; only its
    // `next` is used.
    Symbol variables = {};

    // The trace's callback and what it keeps of the evaluation it tells.
    TraceState trace{};

    bool running = false;  // run_evaluation is under way
    // PPR_end came from inside a host callback: the scanner's buffer goes
    // once the running evaluation is over.
    bool delete_scanner_buffer = false;
};

extern EvalState g_state;

// Copies at most `limit` bytes of `name` into the message argument, always
// terminated.
void set_message_arg(const char *name, std::size_t limit = sizeof(EvalState::message_arg) - 1);

inline bool certify_mode() { return g_state.certify_mode == 1; }

}  // namespace talv
