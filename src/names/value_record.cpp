#include "names/value_record.h"

#include <cstring>

#include "values/clear.h"

namespace talv {

PPR_FIELD_VALUE g_shared_value_record{};
bool g_shared_value_record_busy = false;

namespace {

// Clears a text of length n through its terminator (all of it when
// unterminated).
template <std::size_t N>
void clear_text(char (&text)[N], std::size_t n) {
    if (n < 16) clear_block<16>(text);  // every text field holds 16 bytes at least
    else std::memset(text, 0, n < N ? n + 1 : N);
}

}  // namespace

void ValueRecord::release_shared(std::size_t value_length) {
    PPR_FIELD_VALUE &shared = g_shared_value_record;
    shared.attr = 0;
    shared.reserved = 0;
    clear_block<sizeof shared.type>(shared.type);
    if (shared.class_spec[0] != '\0') clear_text(shared.class_spec, strnlen(shared.class_spec, sizeof shared.class_spec));
    if (value_length > sizeof shared.value) value_length = strnlen(shared.value, sizeof shared.value);
    clear_text(shared.value, value_length);
    g_shared_value_record_busy = false;
}

void clear_value_record() {
    if (!g_shared_value_record_busy) std::memset(&g_shared_value_record, 0, sizeof g_shared_value_record);
}

}  // namespace talv
