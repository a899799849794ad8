// Function calls: the companion library's table first, so that it can
// replace a built-in, then the builtin table.
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

struct Found {
    TALV_FUNCTION func = nullptr;
    uint32_t row = 0;
};

bool search_table(const FuncTab *table, const char *name, Found &found) {
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

}  // namespace
}  // namespace talv

extern "C" {

Symbol *call_function(Symbol *name, Symbol *args) {
    using namespace talv;
    if (!name) return nullptr;

    // A name Symbol made elsewhere may fill its whole text unterminated.
    char written[sizeof name->text];
    std::size_t len = bounded_length(name->text, sizeof name->text - 1);
    std::memcpy(written, name->text, len);
    written[len] = '\0';

    Found found;
    const bool companion = search_table(ext_func_tab, written, found);
    if (!companion && !search_table(builtin_func_tab, written, found)) {
        name->status = 2;
        name->code = TALV_E_NO_FUNCTION;
        set_message_arg(written);
        return name;
    }

    // The built-ins only walk the list; a companion function may keep or
    // return its head, so it gets one from the symbol list.
    Symbol local_head{};
    Symbol *head = nullptr;
    if (args) {
        head = companion ? sym_alloc() : &local_head;
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

int count_list(Symbol *list_head) {
    int n = 0;
    for (Symbol *s = list_head ? list_head->next : nullptr; s; s = s->next) ++n;
    return n;
}

}  // extern "C"
