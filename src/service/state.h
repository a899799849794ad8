// Process-wide evaluation state shared by the entry points, the scanner, the
// parser and the operations.  One evaluation runs at a time; nothing here is
// locked.
#pragma once

#include <cstddef>
#include <cstdint>

#include "talvechk.h"

namespace talv {

enum CallbackSlot { kFieldValue = 0, kFieldRange = 1, kFieldList = 2 };

struct EvalState {
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

extern EvalState g_state;

// Copies at most `limit` bytes of `name` into the message argument, always
// terminated.
void set_message_arg(const char *name, std::size_t limit = sizeof(EvalState::message_arg) - 1);

inline bool certify_mode() { return g_state.certify_mode == 1; }

}  // namespace talv
