#include "names/value_record.h"

#include <cstring>

#include "values/clear.h"

namespace talv {
namespace {

PPR_FIELD_VALUE g_shared{};
bool g_shared_busy = false;

// Clears a text of length n through its terminator (all of it when
// unterminated).
template <std::size_t N>
void clear_text(char (&text)[N], std::size_t n) {
    if (n < 16) clear_block<16>(text);  // every text field holds 16 bytes at least
    else std::memset(text, 0, n < N ? n + 1 : N);
}

}  // namespace

ValueRecord::ValueRecord() {
    if (g_shared_busy) {
        std::memset(&own_, 0, sizeof own_);
        record_ = &own_;
        return;
    }
    g_shared_busy = true;
    record_ = &g_shared;
}

ValueRecord::~ValueRecord() {
    if (record_ != &g_shared) return;
    g_shared.attr = 0;
    g_shared.reserved = 0;
    clear_block<sizeof g_shared.type>(g_shared.type);
    if (g_shared.class_spec[0] != '\0') clear_text(g_shared.class_spec, strnlen(g_shared.class_spec, sizeof g_shared.class_spec));
    if (value_length_ > sizeof g_shared.value) value_length_ = strnlen(g_shared.value, sizeof g_shared.value);
    clear_text(g_shared.value, value_length_);
    g_shared_busy = false;
}

void clear_value_record() {
    if (!g_shared_busy) std::memset(&g_shared, 0, sizeof g_shared);
}

}  // namespace talv
