// number and setn: reading field texts under explicit format rules (an
// implied decimal point, the all-blank mode).
#include "builtins/builtins.h"
#include "service/state.h"

namespace talv {

namespace {

// Full-width characters of the format-item syntax, lead byte in the high half.
constexpr unsigned kWideN = 0x826D;       // Ｎ
constexpr unsigned kWideB = 0x8261;       // Ｂ
constexpr unsigned kWideZero = 0x824F;    // ０
constexpr unsigned kWideNine = 0x8258;    // ９
constexpr unsigned kWideStar = 0x8196;    // ＊
constexpr unsigned kWideBang = 0x8149;    // ！

constexpr int32_t kMaxDecimalPos = 136;   // characters a field text can hold
constexpr int32_t kBlankIsZero = 4;
constexpr int32_t kBlankIsError = 1;
constexpr std::size_t kNameAsWrittenLimit = 272;

// Walks a full-width text character by character; a lone trailing byte
// reads as a character no item accepts.
struct WideReader {
    const unsigned char *p;

    bool at_end() const { return p[0] == 0; }
    unsigned peek() const { return p[1] ? (unsigned(p[0]) << 8) | p[1] : 0xFFFF; }
    unsigned take() {
        unsigned c = peek();
        p += p[1] ? 2 : 1;
        return c;
    }
};

bool is_wide_digit(unsigned c) { return c >= kWideZero && c <= kWideNine; }

}  // namespace

uint32_t parse_format_spec(const char *wide, int32_t *decimal_pos, int32_t *all_blank_mode) {
    int32_t pos = *decimal_pos;
    int32_t blank_mode = *all_blank_mode;
    WideReader in{reinterpret_cast<const unsigned char *>(wide)};

    while (!in.at_end()) {
        unsigned item = in.take();
        if (item == kWideN) {
            if (!in.at_end() && in.peek() == kWideStar) {
                in.take();
                pos = 0;
                continue;
            }
            int32_t value = 0;
            int digits = 0;
            while (!in.at_end() && is_wide_digit(in.peek())) {
                // Saturate past the limit so that long digit runs cannot overflow.
                if (value <= kMaxDecimalPos) value = value * 10 + int32_t(in.take() - kWideZero);
                else in.take();
                ++digits;
            }
            if (digits == 0 || value < 1 || value > kMaxDecimalPos) return TALV_E_ARGUMENTS;
            pos = value;
        } else if (item == kWideB) {
            if (in.at_end()) return TALV_E_ARGUMENTS;
            unsigned mode = in.take();
            if (mode == kWideZero || mode == kWideStar) blank_mode = kBlankIsZero;
            else if (mode == kWideBang) blank_mode = kBlankIsError;
            else return TALV_E_ARGUMENTS;
        } else {
            return TALV_E_ARGUMENTS;
        }
    }
    *decimal_pos = pos;
    *all_blank_mode = blank_mode;
    return 0;
}

// A NUMBER's storage holds binary groups, not text; reading them as a spec
// would turn number([F], 2) into an arbitrary (usually empty) spec.
uint32_t read_format_spec(const Symbol *arg, int32_t *decimal_pos, int32_t *all_blank_mode) {
    if (arg->kind == TALV_NUMBER) return TALV_E_ARGUMENTS;
    char wide[TALV_SYMBOL_TEXT + 4];
    uint32_t code = to_sjis_code(arg->text, wide);
    if (code) return code;
    return parse_format_spec(wide, decimal_pos, all_blank_mode);
}

Symbol *builtin_number(Symbol *head) {
    Symbol *result = make_zero();
    if (!result) return nullptr;
    int count = count_list(head);
    if (count < 1 || count > 2) return argument_error(result);

    int32_t pos = decimal_point;
    int32_t blank_mode = all_blank;
    Symbol *source = head->next;
    if (count == 2) {
        uint32_t code = read_format_spec(source->next, &pos, &blank_mode);
        if (code) return fail_with(result, code);
    }

    Symbol *value = eval_symbol(source);
    if (!value) return nullptr;
    if (value->status >= 2) return value;
    copy_value(result, value);

    // Certify mode judges a field that declares classes by its class and its
    // declared length (attr); its value is never computed with, so it reads
    // as zero like the operators' type-only results.
    if (certify_mode() && result->charclass != 0) {
        if (!(result->charclass & TALV_CLASS_NUM)) {
            set_message_arg(source->text, kNameAsWrittenLimit);
            return fail_with(result, TALV_E_FIELD_NOT_NUMERIC);
        }
        if (pos > result->attr) return fail_with(result, TALV_E_CONVERSION);
        std::memset(result->digits, 0, sizeof result->digits);
        result->sign = 0;
        result->kind = TALV_NUMBER;
        return result;
    }

    // A NUMBER has no characters an implied decimal point could fall between.
    int characters = result->kind == TALV_NUMBER ? 0 : get_length(result);
    if (pos > characters) return fail_with(result, TALV_E_CONVERSION);
    uint32_t code = dtchk_number(result, blank_mode, in_blank, right_blank, pos);
    if (code) return fail_with(result, code);
    return result;
}

Symbol *builtin_setn(Symbol *head) {
    int32_t pos = decimal_point;
    int32_t blank_mode = all_blank;
    Symbol *result = make_zero();
    if (!result) return nullptr;
    if (count_list(head) != 1) return argument_error(result);

    uint32_t code = read_format_spec(head->next, &pos, &blank_mode);
    if (code) return fail_with(result, code);
    all_blank = blank_mode;
    decimal_point = pos;
    return result;
}

}  // namespace talv
