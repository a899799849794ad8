// Function calls: the companion library's table first, so that it can
// replace a built-in, then the builtin table.
#include <bit>
#include <cstring>

#include "builtins/builtins.h"
#include "names/names.h"
#include "service/state.h"

namespace talv {

bool names_match16(const char *a, const char *b) {
    for (std::size_t i = 0; i < TALV_MAX_FUNC_NAME; ++i) {
        const unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
        if (ca == cb) {
            if (ca == '\0') return true;
        } else if (ascii_upper(ca) != ascii_upper(cb)) {
            return false;
        }
    }
    return true;
}

namespace {

bool search_table(const FuncTab *table, const char *name, FoundFunction &found) {
    // Rows whose first byte matches in either case are the only ones compared.
    const unsigned char upper = ascii_upper(static_cast<unsigned char>(name[0]));
    const unsigned char lower = upper >= 'A' && upper <= 'Z' ? static_cast<unsigned char>(upper - 'A' + 'a') : upper;
    for (uint32_t row = 0; table[row].func; ++row) {
        const unsigned char c = static_cast<unsigned char>(table[row].name[0]);
        if ((c == upper || c == lower) && names_match16(table[row].name, name)) {
            found.func = table[row].func;
            found.row = row;
            return true;
        }
    }
    return false;
}

bool search_tables(const char *name, FoundFunction &found) {
    found.companion = search_table(ext_func_tab, name, found);
    return found.companion || search_table(builtin_func_tab, name, found);
}

// All ones below the first zero byte of `word` (memory order), all ones
// when there is none.
uint64_t below_first_zero(uint64_t word) {
    const uint64_t zero_bytes = (word - 0x0101010101010101u) & ~word & 0x8080808080808080u;
    // The lowest flagged byte is always a zero one; higher flags may be false.
    return ((zero_bytes & (0 - zero_bytes)) >> 7) - 1;
}

NameKey key_of(const char *name) {
    NameKey key;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&key.low, name, sizeof key.low);
        std::memcpy(&key.high, name + sizeof key.low, sizeof key.high);
        const uint64_t keep_low = below_first_zero(key.low);
        key.low &= keep_low;
        key.high &= keep_low == ~uint64_t{0} ? below_first_zero(key.high) : 0;
    } else {
        char bytes[TALV_MAX_FUNC_NAME] = {};
        std::memcpy(bytes, name, bounded_length(name, sizeof bytes));
        std::memcpy(&key, bytes, sizeof bytes);
    }
    return key;
}

CachedLookup &cache_slot(const NameKey &key) {
    const uint64_t mixed = (key.low ^ (key.high * 31)) * 0x9E3779B97F4A7C15u;
    return g_state.lookups.slots[mixed >> (64 - kLookupCacheBits)];
}

}  // namespace

void forget_function_lookups() {
    for (CachedLookup &slot : g_state.lookups.slots) slot = CachedLookup{};
}

namespace {

bool look_up(const char *name, FoundFunction &found) {
    const NameKey key = key_of(name);
    CachedLookup &slot = cache_slot(key);
    if (slot.found.func && slot.key == key) {
        found = slot.found;
        return true;
    }
    if (!search_tables(name, found)) return false;
    slot = CachedLookup{key, found};
    return true;
}

// The parser hands the arguments over last first; functions want them in
// source order.
Symbol *reverse_chain(Symbol *last) {
    Symbol *first = nullptr;
    while (last) {
        Symbol *earlier = last->next;
        last->next = first;
        first = last;
        last = earlier;
    }
    return first;
}

// A name Symbol made elsewhere may fill its whole text unterminated.
constexpr std::size_t kNameLimit = TALV_SYMBOL_TEXT - 1;

Symbol *call_companion(const FoundFunction &found, Symbol *name, Symbol *args) {
    // It may keep or return its list head, so the head comes from the
    // symbol list; and it may reach the name's cell, so the name is taken
    // first.
    char written[kNameLimit + 1];
    const std::size_t len = bounded_length(name->text, kNameLimit);
    std::memcpy(written, name->text, len);
    written[len] = '\0';

    Symbol *head = nullptr;
    if (args) {
        head = sym_alloc();
        if (!head) return nullptr;
        head->next = reverse_chain(args);
    }
    Symbol *result = found.func(head);
    if (!result) return nullptr;
    if (result->code == TALV_E_ARGUMENTS) {
        result->code = (found.row << 16) | TALV_E_ARGUMENTS;
        set_message_arg(written);
    }
    return result;
}

}  // namespace
}  // namespace talv

extern "C" {

Symbol *call_function(Symbol *name, Symbol *args) {
    using namespace talv;
    if (!name) return nullptr;

    // The lookup reads at most 16 bytes, always within the text.
    FoundFunction found;
    if (!look_up(name->text, found)) {
        name->status = 2;
        name->code = TALV_E_NO_FUNCTION;
        set_message_arg(name->text, kNameLimit);
        return name;
    }
    if (found.companion) return call_companion(found, name, args);

    // The built-ins read nothing of the head but its next, and never touch
    // the name's cell.
    Symbol local_head;
    Symbol *head = nullptr;
    if (args) {
        head = &local_head;
        head->next = reverse_chain(args);
    }
    Symbol *result = found.func(head);
    if (!result) return nullptr;
    if (result->code == TALV_E_ARGUMENTS) {
        result->code = (found.row << 16) | TALV_E_ARGUMENTS;
        set_message_arg(name->text, kNameLimit);
    }
    return result;
}

int count_list(Symbol *list_head) {
    int n = 0;
    for (Symbol *s = list_head ? list_head->next : nullptr; s; s = s->next) ++n;
    return n;
}

}  // extern "C"
