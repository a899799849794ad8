// Range arguments such as [A1..12]: the existing fields A1 to A12.
//
// The expansion walks the host's field table rather than the numbers of the
// range, and compares numbers as digit strings, so a range such as
// [A1..999999999] or bounds of any length cost no more than the table holds
// (at most 960 names) and never overflow.
#include <algorithm>
#include <cstring>

#include "names/names.h"
#include "service/state.h"
#include "service/trace.h"
#include "values/clear.h"
#include "values/field_symbol.h"

namespace talv {
namespace {

constexpr std::size_t kNameCompare = TALV_MAX_FIELD_NAME;
// ".." must start within the first 31 bytes of the name.
constexpr std::size_t kLastDotsStart = TALV_MAX_FIELD_NAME - 2;

// Numbers of up to 18 digits also compare as integers (10^18 < 2^64).
constexpr std::size_t kExactDigits = 18;

// A decimal number as its digits without leading zeros ("0" for zero);
// `value` is the number when it has at most kExactDigits digits.
struct Digits {
    const char *p = "0";
    std::size_t len = 1;
    uint64_t value = 0;
};

Digits normalise(const char *p, std::size_t len) {
    while (len > 0 && *p == '0') { ++p; --len; }
    if (len == 0) return Digits{};
    uint64_t value = 0;
    for (std::size_t i = 0; i < len && i < kExactDigits; ++i) value = value * 10 + static_cast<unsigned>(p[i] - '0');
    return Digits{p, len, value};
}

// Digit strings are short: a loop beats a call.
int compare(const Digits &a, const Digits &b) {
    if (a.len != b.len) return a.len < b.len ? -1 : 1;
    for (std::size_t i = 0; i < a.len; ++i)
        if (a.p[i] != b.p[i]) return static_cast<unsigned char>(a.p[i]) < static_cast<unsigned char>(b.p[i]) ? -1 : 1;
    return 0;
}

struct RangeSpec {
    const char *prefix = nullptr;
    std::size_t prefix_len = 0;
    Digits first, last;
    bool exact = false;  // both bounds have values
};

// Reads prefix, first and last number; false when the name holds no "..".
// Empty digit runs read as 0, as a plain integer conversion would.
bool parse_range(const char *text, std::size_t len, RangeSpec &spec) {
    std::size_t dots = 0;
    bool found = false;
    for (std::size_t i = 0; i <= kLastDotsStart && i + 1 < len; ++i)
        if (text[i] == '.' && text[i + 1] == '.') { dots = i; found = true; break; }
    if (!found) return false;

    std::size_t first_start = dots;
    while (first_start > 0 && ascii_digit(static_cast<unsigned char>(text[first_start - 1]))) --first_start;
    std::size_t last_end = dots + 2;
    while (last_end < len && ascii_digit(static_cast<unsigned char>(text[last_end]))) ++last_end;

    spec.prefix = text;
    spec.prefix_len = first_start;
    spec.first = normalise(text + first_start, dots - first_start);
    spec.last = normalise(text + dots + 2, last_end - dots - 2);
    if (compare(spec.last, spec.first) < 0) std::swap(spec.first, spec.last);
    spec.exact = spec.last.len <= kExactDigits;
    return true;
}

// The field-range callback's buffers; static for their size (one evaluation
// runs at a time).
alignas(16) char *g_table_names[TALV_MAX_FIELDS];
char g_table_store[TALV_FIELD_STORE_SIZE];
Digits g_hits[TALV_MAX_FIELDS];

TALV_WIDE_VARIANT void clear_table_names_wide() { clear_table<sizeof g_table_names>(g_table_names); }

void clear_table_names() {
    if (wide_stores())
        clear_table_names_wide();
    else
        clear_table<sizeof g_table_names>(g_table_names);
}

// Orders the first `hits` hits as numbers and drops repeats (a name the
// host lists twice is still one field of the range); the count left.
std::size_t sort_distinct(std::size_t hits) {
    std::sort(g_hits, g_hits + hits, [](const Digits &a, const Digits &b) { return compare(a, b) < 0; });
    return static_cast<std::size_t>(
        std::unique(g_hits, g_hits + hits, [](const Digits &a, const Digits &b) { return compare(a, b) == 0; }) -
        g_hits);
}

// Hits of an exact range spanning at most kMarkedSpan numbers are marked by
// their offset in the range, with their digits (a value named twice has the
// same digits both times): the marks, read in order, give the hits sorted
// and distinct without a sort.
constexpr uint64_t kMarkedSpan = 1024;
uint64_t g_marks[kMarkedSpan / 64];
const char *g_marked_digits[kMarkedSpan];
uint8_t g_marked_length[kMarkedSpan];
static_assert(kExactDigits <= UINT8_MAX);

void clear_marks(uint64_t last_offset) {
    for (std::size_t w = 0; w <= last_offset / 64; ++w) g_marks[w] = 0;
}

// Asks the host for its field table; 0 or the result code.  Only -2 means
// "does not fit"; any other non-zero answer is a failure of the host.
uint32_t read_field_table(int32_t &count) {
    auto range_proc = reinterpret_cast<PPR_FIELD_RANGE_PROC>(g_state.callbacks[kFieldRange]);
    if (!range_proc) return TALV_I_CALLBACK_FAILED;
    // A host may count more names than it writes, or write past its count:
    // no entry may survive from an earlier answer.
    clear_table_names();
    count = 0;
    int32_t rc = range_proc(g_state.contexts[kFieldRange], &count, g_table_names, TALV_MAX_FIELDS, g_table_store,
                            TALV_FIELD_STORE_SIZE);
    if (rc == -2) return TALV_I_AREA_EXCEEDED;
    if (rc != 0) return TALV_I_CALLBACK_FAILED;
    if (count < 0) count = 0;
    if (count > TALV_MAX_FIELDS) count = TALV_MAX_FIELDS;
    return 0;
}

// The number a table name gives within the range: the name (its first 32
// bytes, as names are compared) must be the prefix followed by a decimal
// number written without leading zeros, as "%s%d" would write it.
bool number_in_range(const char *name, const RangeSpec &spec, Digits &number) {
    // The prefix holds no NUL, so a shorter name fails here; it is shorter
    // than 32 bytes, as ".." starts within them.
    for (std::size_t i = 0; i < spec.prefix_len; ++i)
        if (name[i] != spec.prefix[i]) return false;
    const char *digits = name + spec.prefix_len;
    const std::size_t room = kNameCompare - spec.prefix_len;
    std::size_t len = 0;
    uint64_t value = 0;  // wraps past kExactDigits digits, and is then not used
    while (len < room && ascii_digit(static_cast<unsigned char>(digits[len]))) {
        value = value * 10 + static_cast<unsigned>(digits[len] - '0');
        ++len;
    }
    if (len == 0 || (len < room && digits[len] != '\0')) return false;
    if (len > 1 && digits[0] == '0') return false;
    number = Digits{digits, len, value};
    if (spec.exact) return len <= spec.last.len && spec.first.value <= value && value <= spec.last.value;
    return compare(spec.first, number) <= 0 && compare(number, spec.last) <= 0;
}

}  // namespace
}  // namespace talv

extern "C" {

int is_field_with_range(Symbol *sym) {
    using talv::ascii_digit;
    if (!sym || sym->kind != TALV_FIELD) return 0;
    std::size_t len = talv::bounded_length(sym->text, sizeof sym->text - 1);
    std::size_t i = len;
    while (i > 0 && ascii_digit(static_cast<unsigned char>(sym->text[i - 1]))) --i;
    if (i == len || i < 3) return 0;
    return sym->text[i - 1] == '.' && sym->text[i - 2] == '.' &&
           ascii_digit(static_cast<unsigned char>(sym->text[i - 3]));
}

Symbol *ext_field_arg(Symbol *range) {
    using namespace talv;
    if (!range) return nullptr;
    Symbol *head = sym_alloc();
    if (!head) return nullptr;

    RangeSpec spec;
    std::size_t text_len = bounded_length(range->text, sizeof range->text - 1);
    if (parse_range(range->text, text_len, spec)) {
        int32_t count = 0;
        if (uint32_t code = read_field_table(count)) {
            head->status = 2;
            head->code = code;
            return head;
        }

        const bool marked = spec.exact && spec.last.value - spec.first.value < kMarkedSpan;
        if (marked) clear_marks(spec.last.value - spec.first.value);
        std::size_t hits = 0;
        for (int32_t i = 0; i < count; ++i) {
            Digits number;
            if (!g_table_names[i] || !number_in_range(g_table_names[i], spec, number)) continue;
            if (marked) {
                const uint64_t offset = number.value - spec.first.value;
                g_marks[offset / 64] |= uint64_t{1} << (offset % 64);
                g_marked_digits[offset] = number.p;
                g_marked_length[offset] = static_cast<uint8_t>(number.len);
            } else {
                g_hits[hits++] = number;
            }
        }

        // Each field as the scanner would have read the token "[" prefix number "$".
        FieldNames names(spec.prefix, spec.prefix_len);
        Symbol *tail = head;
        auto append = [&](const char *digits, std::size_t len) {
            Symbol *field = names.make(digits, len);
            if (!field) return false;
            tail->next = field;
            tail = field;
            return true;
        };
        if (marked) {
            // The marks read in order give the hits by value, each value once.
            const std::size_t words = (spec.last.value - spec.first.value) / 64 + 1;
            for (std::size_t w = 0; w < words; ++w)
                for (uint64_t bits = g_marks[w]; bits != 0; bits &= bits - 1) {
                    const std::size_t offset = w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits));
                    if (!append(g_marked_digits[offset], g_marked_length[offset])) return nullptr;
                }
        } else {
            // Hosts list a form's fields in order, so the hits usually come
            // sorted and distinct already.
            bool ascending = true;
            for (std::size_t h = 1; h < hits && ascending; ++h) ascending = compare(g_hits[h - 1], g_hits[h]) < 0;
            if (!ascending) hits = sort_distinct(hits);
            for (std::size_t h = 0; h < hits; ++h)
                if (!append(g_hits[h].p, g_hits[h].len)) return nullptr;
        }
    }
    if (trace_on()) trace_range_fields(head->next, range);
    if (!head->next) {
        head->status = 2;
        head->code = TALV_E_ARGUMENTS;
    }
    return head;
}

}  // extern "C"
