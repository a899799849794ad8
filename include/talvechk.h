/*
 * talvechk.h - public interface of the talvechk check-expression library.
 *
 * A host installs its callbacks with PPR_init, evaluates one field's check
 * expression at a time with PPR_eval or PPR_certify, and turns result codes
 * into messages with Get_PPR_Message / Get_PPRPT_Message.  All texts are
 * NUL-terminated Shift-JIS (CP932) byte strings.
 *
 * The Symbol operations further down are exported for companion libraries
 * (libtalvextn) whose functions are reached through ext_func_tab.
 *
 * This header is plain C (C89 and later) and C++.
 */
#ifndef TALVECHK_H
#define TALVECHK_H

#include <stddef.h>
#if defined(__cplusplus) || (defined(__STDC_VERSION__) && __STDC_VERSION__ >= 199901L)
#include <stdint.h>
#else
/* C89 has no <stdint.h>; glibc's still works there. */
#include <stdint.h>
#endif

#if defined(_WIN32)
#define TALV_EXPORT __declspec(dllexport)
#define TALV_IMPORT __declspec(dllimport)
#elif defined(__GNUC__)
#define TALV_EXPORT __attribute__((visibility("default")))
#define TALV_IMPORT __attribute__((visibility("default")))
#else
#define TALV_EXPORT
#define TALV_IMPORT
#endif

/* The library is built with TALV_BUILDING_LIBRARY; hosts see imports. */
#ifdef TALV_BUILDING_LIBRARY
#define TALV_API TALV_EXPORT
#else
#define TALV_API TALV_IMPORT
#endif

/* The companion library defines ext_func_tab; everybody else imports it. */
#ifdef TALV_BUILDING_EXTENSION
#define TALV_EXT_API TALV_EXPORT
#else
#define TALV_EXT_API TALV_IMPORT
#endif

/* GCC and Clang accept an anonymous union even in pedantic C89/C99. */
#if defined(__GNUC__)
#define TALV_EXTENSION __extension__
#else
#define TALV_EXTENSION
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Result codes ------------------------------------------------------ */

#define TALV_OK                 0x00000000u
#define TALV_FALSE              0x80000000u /* the recognition result is wrong */
#define TALV_E_SYNTAX           0x90000001u
#define TALV_E_NO_FIELD         0x90000002u
#define TALV_E_NO_VALUE         0x90000003u
#define TALV_E_NO_FUNCTION      0x90000004u
#define TALV_E_PARENTHESES      0x90000005u
#define TALV_E_NOT_NUMBER       0x90000006u
#define TALV_E_BLANK_IN_NUMBER  0x90000007u
#define TALV_E_DIVIDE_BY_ZERO   0x90000008u
#define TALV_E_TOO_LONG         0x90000009u
#define TALV_E_ARGUMENTS        0xA000000Au /* bits 16..23: the function's row */
#define TALV_E_CONVERSION       0x9000000Bu
#define TALV_E_FIELD_EXCLUDED   0x9000000Fu
#define TALV_E_FIELD_NOT_NUMERIC 0x90000010u
#define TALV_E_INTERNAL         0xF00000FFu

/* Internal codes of an evaluation; never reach the host as such. */
#define TALV_I_NO_MEMORY        0xF0000001u
#define TALV_I_BAD_CHARACTER    0xF0000002u
#define TALV_I_CALLBACK_FAILED  0xF0000003u
#define TALV_I_AREA_EXCEEDED    0xF0000004u

/* Return values of the entry points besides 0. */
#define TALV_R_NO_MEMORY        8u
#define TALV_R_INIT_BAD_PARAM   0xE5402E01u
#define TALV_R_CERT_BAD_PARAM   0xE5432E01u
#define TALV_R_CERT_NOT_INIT    0xE5432E02u
#define TALV_R_CERT_CALLBACK    0xE5432E03u
#define TALV_R_CERT_AREA        0xE5432E04u
#define TALV_R_CERT_BAD_CHAR    0xE5432E05u
#define TALV_R_EVAL_BAD_PARAM   0xE5442E01u
#define TALV_R_EVAL_NOT_INIT    0xE5442E02u
#define TALV_R_EVAL_CALLBACK    0xE5442E03u
#define TALV_R_EVAL_AREA        0xE5442E04u
#define TALV_R_EVAL_BAD_CHAR    0xE5442E05u
#define TALV_R_CHKFLD_BAD_PARAM 0xE5452E01u

/* ---- Limits -------------------------------------------------------------- */

#define TALV_MAX_EXPR           512  /* bytes of expression text before its NUL */
#define TALV_MAX_FIELD_NAME     32   /* bytes of a field name that count */
#define TALV_MAX_SELF_FIELD     61   /* longest field name PPR_eval accepts */
#define TALV_MAX_FUNC_NAME      16
#define TALV_MAX_FIELDS         960  /* capacity of the range and list tables */
#define TALV_FIELD_STORE_SIZE   31680 /* 960 x 33 */

/* ---- Symbols ------------------------------------------------------------- */

/* Symbol kinds; the same numbers are the scanner's token codes. */
#define TALV_VARIABLE 257
#define TALV_NUMBER   258
#define TALV_FIELD    259
#define TALV_STRING   260

/* charclass flags (certify mode) */
#define TALV_CLASS_ALP 0x01
#define TALV_CLASS_NUM 0x02
#define TALV_CLASS_KAT 0x04
#define TALV_CLASS_SYM 0x08
#define TALV_CLASS_HYP 0x10

#define TALV_SYMBOL_TEXT   276
#define TALV_GROUPS        34  /* base-10000 groups of a number */
#define TALV_INT_GROUPS    26  /* groups 0..25: 104 integer digits */
#define TALV_UNITS_GROUP   25

/*
 * The value cell of every operand and result.  On the 32-bit target the
 * record is exactly 308 bytes (value at 300, next at 304); on 64-bit the two
 * pointers widen.
 */
typedef struct Symbol {
    TALV_EXTENSION union {
        char text[TALV_SYMBOL_TEXT];             /* Shift-JIS text */
        unsigned short digits[TALV_GROUPS];      /* number: group 0 most significant */
    };
    int32_t kind;       /* TALV_VARIABLE .. TALV_STRING, 0 when fresh */
    int32_t sign;       /* 1 negative (NUMBER only) */
    int32_t attr;       /* attribute word of a field value */
    int32_t charclass;  /* certify mode: TALV_CLASS_* flags, -1 = all */
    int32_t status;     /* 0 value/true, 1 false, 2 or more: error in code */
    uint32_t code;      /* result code carried with status 2 */
    struct Symbol *value; /* variable table: the held value */
    struct Symbol *next;  /* argument chains, variable table */
} Symbol;

/* A function reached from a check expression: list head in, Symbol out. */
typedef Symbol *(*TALV_FUNCTION)(Symbol *list_head);

/* One row of a function table; a null func ends the table. */
typedef struct FuncTab {
    char name[16];
    TALV_FUNCTION func;
} FuncTab;

/* ---- Host records and callbacks ------------------------------------------ */

/* Filled by the field-value callback; 1692 bytes. */
typedef struct PPR_FIELD_VALUE {
    int32_t attr;            /* offset 0 */
    int32_t reserved;        /* offset 4, not read */
    char type[65];           /* offset 8: "HAND_ANK", "PRINT_ANK", "MARK", ... */
    char class_spec[257];    /* offset 73: permitted classes, empty = none */
    char value[1362];        /* offset 330: recognised text */
} PPR_FIELD_VALUE;

/* One entry of the excluded-field list; 36 bytes. */
typedef struct PPR_FIELD_ENTRY {
    char reserved1[2];
    char name[32];           /* NUL-terminated when shorter than 32 */
    char reserved2[2];
} PPR_FIELD_ENTRY;

/* Certify result record; 516 bytes. */
typedef struct PPR_CERTIFY_RESULT {
    uint32_t code;
    char text[512];
} PPR_CERTIFY_RESULT;

/* Callback 0: the recognised value of one field.
 * 0 filled, -1 no such field, anything else a failure. */
typedef int32_t (*PPR_FIELD_VALUE_PROC)(uintptr_t context, const char *field_name,
                                        PPR_FIELD_VALUE *record);

/* Callback 1: every field name of the form.
 * 0 read, -2 the names do not fit, -9 failure. */
typedef int32_t (*PPR_FIELD_RANGE_PROC)(uintptr_t context, int32_t *count,
                                        char **names, int32_t capacity,
                                        char *store, int32_t store_size);

/* Callback 2: the fields a check expression may not reference.
 * 0 read, -2 does not fit, -9 failure. */
typedef int32_t (*PPR_FIELD_LIST_PROC)(uintptr_t context, PPR_FIELD_ENTRY *entries,
                                       int32_t *count, int32_t capacity);

/* PPR_init takes its callbacks as an array of generic function pointers:
 * index 0 a PPR_FIELD_VALUE_PROC, 1 a PPR_FIELD_RANGE_PROC and the optional
 * 2 a PPR_FIELD_LIST_PROC. */
typedef void (*PPR_PROC)(void);

/* ---- Entry points -------------------------------------------------------- */

TALV_API uint32_t PPR_init(const PPR_PROC *callbacks, const uintptr_t *contexts);
TALV_API uint32_t PPR_eval(uint32_t *out, const char *field_name, const char *expr_text);
TALV_API uint32_t PPR_certify(PPR_CERTIFY_RESULT *record, const char *field_name,
                              const char *expr_text);
TALV_API uint32_t PPR_end(void);
TALV_API uint32_t PPR_chkfld(int32_t *out, const char *const *names, const char *expr_text);
TALV_API int Get_PPR_Message(uint32_t code, char *buffer, int32_t size);
TALV_API int Get_PPRPT_Message(const PPR_CERTIFY_RESULT *record, char *buffer, int32_t size);

/* ---- Operations for companion libraries --------------------------------- */

/* Symbols and the per-evaluation symbol list.  init_symbol_list,
 * free_all_symbol and init_variable empty the state of the evaluation: called
 * while one is under way (from an extension function or a host callback)
 * they do nothing, and the two that return a value return -1. */
TALV_API int init_symbol_list(void);
TALV_API Symbol *sym_alloc(void);
TALV_API Symbol *set_symbol(Symbol *sym, const char *text, int kind);
TALV_API Symbol *create_symbol(const char *text, int kind);
TALV_API void free_all_symbol(void);
TALV_API int symbol_to_long(Symbol *sym, int32_t *out);
TALV_API Symbol *long_to_symbol(int32_t value);
TALV_API Symbol *eval_symbol(Symbol *sym);
TALV_API int get_length(Symbol *sym);

/* Full-width text and numbers */
TALV_API uint32_t to_sjis_code(const char *src, char *dst);
TALV_API uint32_t StrNormal(const char *src, Symbol *sym);
TALV_API uint32_t jis8_to_number(Symbol *sym, const char *literal);
TALV_API uint32_t to_number(Symbol *sym);
TALV_API uint32_t dtchk_number(Symbol *sym, int32_t all_blank_mode, int32_t in_blank_mode,
                               int32_t right_blank_mode, int32_t point_position);
TALV_API uint32_t sym_number(Symbol *sym);
TALV_API uint32_t to_character(Symbol *sym);

TALV_API extern int32_t all_blank;
TALV_API extern int32_t in_blank;
TALV_API extern int32_t right_blank;
TALV_API extern int32_t decimal_point;

/* Arithmetic and comparison; abs_equal/abs_greater_than answer 10 yes, 20 no */
TALV_API Symbol *op_add(Symbol *left, Symbol *right);
TALV_API Symbol *op_sub(Symbol *left, Symbol *right);
TALV_API Symbol *op_minus(Symbol *operand);
TALV_API Symbol *op_mul(Symbol *left, Symbol *right);
TALV_API Symbol *op_div(Symbol *left, Symbol *right);
TALV_API uint32_t abs_equal(Symbol *x, Symbol *y);
TALV_API uint32_t abs_greater_than(Symbol *x, Symbol *y);
TALV_API int abs_add(Symbol *out, Symbol *x, Symbol *y);
TALV_API int abs_sub(Symbol *out, Symbol *x, Symbol *y);
TALV_API uint32_t abs_mul(Symbol *out, Symbol *x, Symbol *y);
TALV_API Symbol *relop_eq(Symbol *left, Symbol *right);
TALV_API Symbol *relop_ne(Symbol *left, Symbol *right);
TALV_API Symbol *relop_lt(Symbol *left, Symbol *right);
TALV_API Symbol *relop_gt(Symbol *left, Symbol *right);
TALV_API Symbol *relop_le(Symbol *left, Symbol *right);
TALV_API Symbol *relop_ge(Symbol *left, Symbol *right);

/* Names */
TALV_API int init_variable(void);
TALV_API Symbol *assign_variable(const char *name, Symbol *value);
TALV_API Symbol *reference_variable(const char *name);
TALV_API Symbol *reference_field(Symbol *field);
TALV_API Symbol *call_function(Symbol *name, Symbol *args);
TALV_API int count_list(Symbol *list_head);
TALV_API int is_field_with_range(Symbol *sym);
TALV_API Symbol *ext_field_arg(Symbol *range);

/* Defined by the companion library libtalvextn.  The table is writable, but
 * the library remembers which row a function name was found in (in either
 * table) from one evaluation to the next: a change to ext_func_tab is seen
 * only after the next PPR_init, which forgets the rows found. */
TALV_EXT_API extern FuncTab ext_func_tab[];

#ifdef __cplusplus
}
#endif

#endif /* TALVECHK_H */
