// The variable table of one evaluation: a chain of VARIABLE entries behind a
// anchor in the evaluation state, each entry's `value` pointing at the
// Symbol it holds.
#include <cstring>

#include "names/names.h"
#include "service/state.h"

namespace talv {
namespace {

constexpr std::size_t kKeyLength = TALV_MAX_FUNC_NAME;

void make_key(const char *name, char (&key)[kKeyLength + 1]) {
    std::size_t n = name ? bounded_length(name, kKeyLength) : 0;
    for (std::size_t i = 0; i < n; ++i) key[i] = static_cast<char>(ascii_upper(static_cast<unsigned char>(name[i])));
    key[n] = '\0';
}

Symbol *find_entry(const char *key, Symbol **last) {
    Symbol *prev = &g_state.variables;
    for (Symbol *e = g_state.variables.next; e; prev = e, e = e->next)
        if (std::strcmp(e->text, key) == 0) return e;
    if (last) *last = prev;
    return nullptr;
}

}  // namespace

const Symbol *variable_value(const char *name) {
    char key[kKeyLength + 1];
    make_key(name, key);
    const Symbol *entry = find_entry(key, nullptr);
    return entry ? entry->value : nullptr;
}

int reset_variables() {
    // Only the anchor's link is ever read.
    g_state.variables.next = nullptr;
    return 0;
}

}  // namespace talv

extern "C" {


Symbol *assign_variable(const char *name, Symbol *value) {
    if (!value) return nullptr;
    char key[talv::kKeyLength + 1];
    talv::make_key(name, key);

    Symbol *last = nullptr;
    if (Symbol *entry = talv::find_entry(key, &last)) {
        entry->value = value;
        return value;
    }

    Symbol *entry = sym_alloc();
    if (!entry) return nullptr;
    std::memcpy(entry->text, key, sizeof key);
    entry->kind = TALV_VARIABLE;
    // Link before copying the value: a failed copy leaves a harmless entry
    // whose `value` is null, and the evaluation ends on the null result.
    last->next = entry;

    Symbol *copy = sym_alloc();
    if (!copy) return nullptr;
    *copy = *value;
    entry->value = copy;
    return copy;
}

Symbol *reference_variable(const char *name) {
    Symbol *result = sym_alloc();
    if (!result) return nullptr;
    char key[talv::kKeyLength + 1];
    talv::make_key(name, key);

    Symbol *entry = talv::find_entry(key, nullptr);
    if (entry && entry->value) {
        *result = *entry->value;
        return result;
    }
    result->status = 2;
    result->code = TALV_E_NO_VALUE;
    talv::set_message_arg(name ? name : "");
    return result;
}

}  // extern "C"
