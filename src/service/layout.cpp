// The records that cross the library boundary keep their byte layout on the
// 32-bit target; on 64-bit the pointer fields widen.
#include <cstddef>

#include "talvechk.h"

static_assert(sizeof(PPR_FIELD_VALUE) == 1692);
static_assert(offsetof(PPR_FIELD_VALUE, attr) == 0);
static_assert(offsetof(PPR_FIELD_VALUE, type) == 8);
static_assert(offsetof(PPR_FIELD_VALUE, class_spec) == 73);
static_assert(offsetof(PPR_FIELD_VALUE, value) == 330);
static_assert(sizeof(PPR_FIELD_ENTRY) == 36);
static_assert(offsetof(PPR_FIELD_ENTRY, name) == 2);
static_assert(sizeof(PPR_CERTIFY_RESULT) == 516);
static_assert(offsetof(PPR_CERTIFY_RESULT, text) == 4);
static_assert(offsetof(Symbol, kind) == 276);
static_assert(offsetof(Symbol, sign) == 280);
static_assert(offsetof(Symbol, attr) == 284);
static_assert(offsetof(Symbol, charclass) == 288);
static_assert(offsetof(Symbol, status) == 292);
static_assert(offsetof(Symbol, code) == 296);

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(void *) == 4);
static_assert(offsetof(Symbol, value) == 300);
static_assert(offsetof(Symbol, next) == 304);
static_assert(sizeof(Symbol) == 308);
static_assert(sizeof(FuncTab) == 20);
static_assert(sizeof(uintptr_t) == 4);
#else
static_assert(offsetof(Symbol, value) % alignof(Symbol *) == 0);
static_assert(sizeof(FuncTab) == 16 + sizeof(void *));
#endif
