// Placeholders until the values subsystem is built.
#include "talvechk.h"

extern "C" {
int32_t all_blank = 4;
int32_t in_blank = 1;
int32_t right_blank = 2;
int32_t decimal_point = 0;

int init_symbol_list(void) { return 0; }
Symbol *sym_alloc(void) { return nullptr; }
Symbol *set_symbol(Symbol *s, const char *, int) { return s; }
Symbol *create_symbol(const char *, int) { return nullptr; }
void free_all_symbol(void) {}
int symbol_to_long(Symbol *, int32_t *out) { *out = INT32_MIN; return 0; }
Symbol *long_to_symbol(int32_t) { return nullptr; }
Symbol *eval_symbol(Symbol *s) { return s; }
int get_length(Symbol *) { return 0; }
uint32_t to_sjis_code(const char *, char *dst) { dst[0] = 0; return 0; }
uint32_t StrNormal(const char *, Symbol *s) { s->text[0] = 0; s->kind = TALV_STRING; return 0; }
uint32_t jis8_to_number(Symbol *, const char *) { return TALV_E_NOT_NUMBER; }
uint32_t to_number(Symbol *) { return TALV_E_NOT_NUMBER; }
uint32_t dtchk_number(Symbol *, int32_t, int32_t, int32_t, int32_t) { return TALV_E_NOT_NUMBER; }
uint32_t sym_number(Symbol *) { return TALV_E_NOT_NUMBER; }
uint32_t to_character(Symbol *) { return TALV_E_NOT_NUMBER; }
}
