// Field references: every use of a field asks the host for its recognised
// value afresh (the host may change it between evaluations and nothing here
// could tell).
#include <cstring>

#include "names/names.h"
#include "names/value_record.h"
#include "service/state.h"
#include "service/trace.h"

namespace talv {
namespace {

constexpr std::size_t kValueTextSize = sizeof(PPR_FIELD_VALUE::value);
constexpr std::size_t kEntryNameSize = sizeof(PPR_FIELD_ENTRY::name);

// Filled by the field-list callback; static because it is 34 560 bytes and
// one evaluation runs at a time.
PPR_FIELD_ENTRY g_excluded[TALV_MAX_FIELDS];

Symbol *fail(Symbol *s, uint32_t code) {
    s->status = 2;
    s->code = code;
    return s;
}

int32_t clamp_count(int32_t count) {
    if (count < 0) return 0;
    return count > TALV_MAX_FIELDS ? TALV_MAX_FIELDS : count;
}

// A name that ends within its first eight bytes (most do) is copied as one
// word, with whatever follows its terminator; longer ones byte by byte, cut
// at 32 bytes.
void copy_name(const char *text, char *name) {
    uint64_t word;
    std::memcpy(&word, text, sizeof word);
    constexpr uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    if (((word - kOnes) & ~word & kHighs) != 0) {  // a zero byte among them
        std::memcpy(name, &word, sizeof word);
        return;
    }
    std::size_t n = 0;
    for (; n < TALV_MAX_FIELD_NAME && text[n] != '\0'; ++n) name[n] = text[n];
    name[n] = '\0';
}

// 0 when the field may be referenced, else the result code.  Only -2 means
// "does not fit"; any other non-zero answer is a failure of the host.
uint32_t check_excluded(const char *name) {
    auto list_proc = reinterpret_cast<PPR_FIELD_LIST_PROC>(g_state.callbacks[kFieldList]);
    if (!list_proc) return TALV_I_CALLBACK_FAILED;
    // A host that counts more entries than it writes must not expose names an
    // earlier call (perhaps another host's) left here.  Emptying the names is
    // enough for the comparison below and costs one byte per entry.
    // (Unrolled: 960 single-byte stores a read otherwise cost four
    // instructions each.)
#pragma GCC unroll 16
    for (PPR_FIELD_ENTRY &entry : g_excluded) entry.name[0] = '\0';
    int32_t count = 0;
    int32_t rc = list_proc(g_state.contexts[kFieldList], g_excluded, &count, TALV_MAX_FIELDS);
    if (rc == -2) return TALV_I_AREA_EXCEEDED;
    if (rc != 0) return TALV_I_CALLBACK_FAILED;
    count = clamp_count(count);
    for (int32_t i = 0; i < count; ++i)
        if (std::strncmp(name, g_excluded[i].name, kEntryNameSize) == 0) return TALV_E_FIELD_EXCLUDED;
    return 0;
}

}  // namespace
}  // namespace talv

extern "C" Symbol *reference_field(Symbol *field) {
    using namespace talv;
    if (!field) return nullptr;
    Symbol *result = sym_alloc();
    if (!result) return nullptr;

    // The host gets at most 32 bytes of name, terminated, whatever the Symbol holds.
    char name[TALV_MAX_FIELD_NAME + 1];
    copy_name(field->text, name);

    auto value_proc = reinterpret_cast<PPR_FIELD_VALUE_PROC>(g_state.callbacks[kFieldValue]);
    if (!value_proc) return fail(result, TALV_I_CALLBACK_FAILED);
    // Cleared so that a host filling only part of the record leaves nothing
    // to be read but its own bytes.
    ValueRecord slot;
    PPR_FIELD_VALUE &record = slot.record();
    int32_t rc = value_proc(g_state.contexts[kFieldValue], name, &record);
    if (rc == -1) {
        set_message_arg(name);
        fail(result, TALV_E_NO_FIELD);
        if (trace_on()) trace_field_read(field, nullptr, result);
        return result;
    }
    if (rc != 0) {
        fail(result, TALV_I_CALLBACK_FAILED);
        if (trace_on()) trace_field_read(field, nullptr, result);
        return result;
    }

    if (certify_mode()) {
        uint32_t code = check_excluded(name);
        if (code == 0 && !field_type_accepted(record.type)) code = TALV_E_FIELD_EXCLUDED;
        if (code == TALV_E_FIELD_EXCLUDED) set_message_arg(name, TALV_MAX_FIELD_NAME);
        if (code != 0) {
            fail(result, code);
            if (trace_on()) trace_field_read(field, nullptr, result);
            return result;
        }
        result->charclass = derive_charclass(record.class_spec);
    }

    // The host may leave the value unterminated; it ends with the record.
    // The result is fresh, so the text can be normalised into it directly.
    slot.value_length_is(read_fresh_text(record.value, kValueTextSize, result, g_state.fresh_read));
    result->kind = TALV_STRING;
    result->attr = record.attr;
    if (trace_on()) {
        char value[kValueTextSize + 1];
        std::size_t value_len = bounded_length(record.value, kValueTextSize);
        std::memcpy(value, record.value, value_len);
        value[value_len] = '\0';
        trace_field_read(field, value, result);
    }
    return result;
}
