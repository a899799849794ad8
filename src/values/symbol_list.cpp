// The symbol list: owner of every Symbol of one evaluation, released in one
// sweep at its end.
#include <cstring>

#include "talvechk.h"
#include "values/alloc.h"

namespace {

struct SymbolNode {
    Symbol *sym;
    SymbolNode *next;
};

// The head node never holds a Symbol; the tail is the head while the list is
// empty.
SymbolNode g_head = {nullptr, nullptr};
SymbolNode *g_tail = &g_head;

}  // namespace

extern "C" {

int init_symbol_list(void) {
    g_head.sym = nullptr;
    g_head.next = nullptr;
    g_tail = &g_head;
    return 0;
}

Symbol *sym_alloc(void) {
    auto *node = static_cast<SymbolNode *>(talv::alloc(sizeof(SymbolNode)));
    if (node == nullptr) return nullptr;
    node->sym = nullptr;
    node->next = nullptr;
    g_tail->next = node;
    g_tail = node;
    // A node whose Symbol cannot be had stays on the list; the sweep skips it.
    auto *sym = static_cast<Symbol *>(talv::alloc(sizeof(Symbol)));
    if (sym == nullptr) return nullptr;
    std::memset(sym, 0, sizeof *sym);
    node->sym = sym;
    return sym;
}

void free_all_symbol(void) {
    SymbolNode *node = g_head.next;
    while (node != nullptr) {
        SymbolNode *next = node->next;
        talv::release(node->sym);
        talv::release(node);
        node = next;
    }
    // Forget the released nodes: a sym_alloc or a second sweep before the
    // next init_symbol_list must not touch freed memory.
    init_symbol_list();
}

}  // extern "C"
