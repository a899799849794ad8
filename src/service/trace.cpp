// The evaluation trace: turns the steps the traced parser and the field
// references report into events for the host's trace callback.  Nothing here
// allocates, calls the host's field callbacks or changes a Symbol, so a
// traced evaluation makes the same calls and gives the same result.
#include "service/trace.h"

#include <cstddef>
#include <cstring>

#include "arith/groups.h"
#include "names/names.h"
#include "service/evaluation.h"
#include "service/normalise.h"
#include "service/state.h"
#include "values/decimal.h"

// The record hosts compile against: ten words, five text pointers, then
// what was added later: four words and four text pointers.
static_assert(sizeof(TALV_TRACE_EVENT) == (sizeof(void *) == 4 ? 92 : 128), "trace event layout");
static_assert(offsetof(TALV_TRACE_EVENT, name) == 40, "trace event layout");
static_assert(offsetof(TALV_TRACE_EVENT, why_part) == (sizeof(void *) == 4 ? 60 : 80), "trace event layout");
static_assert(offsetof(TALV_TRACE_EVENT, why) == (sizeof(void *) == 4 ? 76 : 96), "trace event layout");

namespace talv {

namespace {

inline TraceState &trace() { return g_state.trace; }
using FieldRead = TraceFieldRead;
constexpr std::size_t kValueSize = kTraceValueSize;
constexpr std::size_t kMaxSpans = TraceState::kMaxSpans;
constexpr std::size_t kRecentReads = TraceState::kRecentReads;

// No call has more arguments than an expression of 512 bytes can write.
constexpr uint32_t kMaxBlamedArgument = TALV_MAX_EXPR;

void copy_bounded(char *dst, std::size_t size, const char *src) {
    std::size_t n = 0;
    if (src)
        while (n + 1 < size && src[n]) {
            dst[n] = src[n];
            ++n;
        }
    dst[n] = '\0';
}

// Exact decimal text: "-" when negative, integer digits, and the fraction
// digits up to the last that is not zero.
void format_number(const Symbol &sym, char *out) {
    std::size_t len = 0;
    if (sym.sign == 1 && !is_zero(sym.digits)) out[len++] = '-';
    int first = first_nonzero_group(sym.digits, 0, kUnitsGroup);
    bool leading = true;
    for (int k = first; k <= kUnitsGroup; ++k)
        for (int div = 1000; div > 0; div /= 10) {
            const int digit = sym.digits[k] / div % 10;
            if (leading && digit == 0 && !(k == kUnitsGroup && div == 1)) continue;
            leading = false;
            out[len++] = static_cast<char>('0' + digit);
        }
    const int last = last_nonzero_group(sym.digits, kFirstFractionGroup);
    if (last >= kFirstFractionGroup) {
        out[len++] = '.';
        for (int k = kFirstFractionGroup; k <= last; ++k)
            for (int div = 1000; div > 0; div /= 10) out[len++] = static_cast<char>('0' + sym.digits[k] / div % 10);
        while (out[len - 1] == '0') --len;
    }
    out[len] = '\0';
}

const FieldRead *recent_read_of(const Symbol *field) {
    for (std::size_t i = 0; i < kRecentReads; ++i) {
        const FieldRead &r = trace().reads[(trace().next_read + kRecentReads - 1 - i) % kRecentReads];
        if (r.field && r.field == field) return &r;
    }
    return nullptr;
}

const char *recent_read(const Symbol *field) {
    const FieldRead *r = recent_read_of(field);
    return r ? r->value : "";
}

// The value an operand stood for when the step used it.
void format_operand(const Symbol *sym, char *out) {
    out[0] = '\0';
    if (!sym || sym->status >= 2) return;
    switch (sym->kind) {
    case TALV_NUMBER: format_number(*sym, out); break;
    case TALV_STRING: copy_bounded(out, kValueSize, sym->text); break;
    case TALV_FIELD: copy_bounded(out, kValueSize, recent_read(sym)); break;
    case TALV_VARIABLE: format_operand(variable_value(sym->text), out); break;
    default: break;
    }
}

void clear_texts() {
    trace().name[0] = trace().text[0] = trace().value[0] = trace().left[0] = trace().right[0] = '\0';
    trace().why[0] = trace().difference[0] = trace().culprit[0] = trace().culprit_text[0] = '\0';
}

bool find_span(const Symbol *sym, SourceSpan &span);

// No conversion code: the operand has no value of its own to convert.
constexpr uint32_t kNoValue = 0xFFFFFFFFu;

// What an operand came to as a number, as the operator's own conversion
// took it (the same modes, the same reading): its code, 0 with *out set.
uint32_t operand_number(const Symbol *sym, Decimal *out, int depth = 0) {
    if (!sym || sym->status >= 2) return kNoValue;
    switch (sym->kind) {
    case TALV_NUMBER:
        if (out) *out = decimal_of(*sym);
        return 0;
    case TALV_STRING: {
        Symbol copy = *sym;
        copy.next = nullptr;
        const uint32_t code = sym_number(&copy);
        if (code == 0 && out) *out = decimal_of(copy);
        return code;
    }
    case TALV_FIELD: {
        const FieldRead *r = recent_read_of(sym);
        if (!r) return kNoValue;
        if (r->code == 0 && out) *out = r->number;
        return r->code;
    }
    case TALV_VARIABLE: return depth ? kNoValue : operand_number(variable_value(sym->text), out, 1);
    default: return kNoValue;
    }
}

// Exact decimal text of a magnitude; `carried`: it carried out of the
// highest group, so a "1" stands before its 104 integer digits.
void format_magnitude(const uint16_t *groups, bool carried, char *out) {
    Symbol sym{};
    std::memcpy(sym.digits, groups, sizeof sym.digits);
    if (!carried) return format_number(sym, out);
    std::size_t len = 0;
    out[len++] = '1';
    for (int k = 0; k <= kUnitsGroup; ++k)
        for (int div = 1000; div > 0; div /= 10) out[len++] = static_cast<char>('0' + groups[k] / div % 10);
    for (int k = 0; k <= kUnitsGroup; ++k) sym.digits[k] = 0;
    char fraction[kValueSize];
    format_number(sym, fraction);  // "0" or "0.25"
    std::memcpy(out + len, fraction + 1, std::strlen(fraction));
}

// |a - b| of the values a comparison compared.
void format_difference(const Symbol *left, const Symbol *right, char *out) {
    Decimal a, b;
    if (operand_number(left, &a) != 0 || operand_number(right, &b) != 0) return;
    uint16_t diff[kGroupCount];
    bool carried = false;
    if ((a.sign != 0) != (b.sign != 0)) {
        groups_add(diff, a.group, b.group);
        carried = groups_compare(diff, a.group) < 0;
    } else if (groups_compare(a.group, b.group) >= 0) {
        groups_sub(diff, a.group, b.group);
    } else {
        groups_sub(diff, b.group, a.group);
    }
    format_magnitude(diff, carried, out);
}

uint32_t conversion_part(uint32_t code) {
    switch (code) {
    case TALV_E_NOT_NUMBER: return TALV_WHY_NOT_A_NUMBER;
    case TALV_E_BLANK_IN_NUMBER: return TALV_WHY_BLANK_IN_NUMBER;
    case TALV_E_CONVERSION: return TALV_WHY_TWO_POINTS;
    default: return TALV_WHY_NONE;
    }
}

const char *conversion_words(uint32_t part) {
    switch (part) {
    case TALV_WHY_NOT_A_NUMBER: return "not a number";
    case TALV_WHY_BLANK_IN_NUMBER: return "a blank inside the number";
    case TALV_WHY_TWO_POINTS: return "a second decimal point";
    default: return "";
    }
}

// The text an operand stood for: a field's as the host returned it, else
// the literal's or the variable's.
void blame(TALV_TRACE_EVENT &e, const Symbol *sym) {
    if (!sym) return;
    SourceSpan span;
    if (find_span(sym, span)) {
        e.culprit_start = span.start;
        e.culprit_length = span.end > span.start ? span.end - span.start : 0;
    }
    if (sym->kind == TALV_FIELD && !is_field_with_range(const_cast<Symbol *>(sym))) {
        copy_bounded(trace().culprit, sizeof trace().culprit, sym->text);
        if (const FieldRead *r = recent_read_of(sym)) copy_bounded(trace().culprit_text, sizeof trace().culprit_text, r->recognised);
    } else if (sym->kind == TALV_VARIABLE) {
        const Symbol *v = variable_value(sym->text);
        if (v && v->kind == TALV_STRING) copy_bounded(trace().culprit_text, sizeof trace().culprit_text, v->text);
    } else if (sym->kind == TALV_STRING) {
        copy_bounded(trace().culprit_text, sizeof trace().culprit_text, sym->text);
    }
}

void set_why(TALV_TRACE_EVENT &e, uint32_t part, const char *words) {
    e.why_part = part;
    copy_bounded(trace().why, sizeof trace().why, words);
}

// A step that failed converting an operand: which one (left before right,
// as the operators convert them) and why.
void blame_conversion(TALV_TRACE_EVENT &e, const Symbol *result, const Symbol *left, const Symbol *right) {
    if (!result || result->status < 2) return;
    const uint32_t part = conversion_part(result->code);
    if (part == TALV_WHY_NONE) return;
    const Symbol *culprit = nullptr;
    if (left && operand_number(left, nullptr) == result->code) culprit = left;
    else if (right && operand_number(right, nullptr) == result->code) culprit = right;
    if (!culprit) return;
    set_why(e, part, conversion_words(part));
    blame(e, culprit);
}

// Internal codes never reach the host, not even through the trace.
uint32_t host_code(uint32_t code) {
    switch (code) {
    case TALV_I_NO_MEMORY:
    case TALV_I_BAD_CHARACTER:
    case TALV_I_CALLBACK_FAILED:
    case TALV_I_AREA_EXCEEDED: return TALV_E_INTERNAL;
    default: return code;
    }
}

TALV_TRACE_EVENT make_event(uint32_t kind, SourceSpan span, const Symbol *result) {
    TALV_TRACE_EVENT e;
    std::memset(&e, 0, sizeof e);
    e.size = sizeof e;
    e.kind = kind;
    e.start = span.start;
    e.length = span.end > span.start ? span.end - span.start : 0;
    if (result) {
        e.status = result->status >= 2 ? 2 : result->status;
        e.code = result->status >= 2 ? host_code(result->code) : 0;
        // What the error's message names ("field %s does not exist").
        if (result->status >= 2) copy_bounded(trace().text, sizeof trace().text, g_state.message_arg);
    }
    e.name = trace().name;
    e.text = trace().text;
    e.value = trace().value;
    e.left = trace().left;
    e.right = trace().right;
    e.why = trace().why;
    e.difference = trace().difference;
    e.culprit = trace().culprit;
    e.culprit_text = trace().culprit_text;
    return e;
}

void set_operands(TALV_TRACE_EVENT &e, SourceSpan left, SourceSpan right) {
    e.left_start = left.start;
    e.left_length = left.end > left.start ? left.end - left.start : 0;
    e.right_start = right.start;
    e.right_length = right.end > right.start ? right.end - right.start : 0;
}

void emit(const TALV_TRACE_EVENT &e) {
    if (trace().proc) trace().proc(trace().context, &e);
}

bool find_span(const Symbol *sym, SourceSpan &span) {
    for (std::size_t i = trace().span_count; i-- > 0;)
        if (trace().spans[i].sym == sym) {
            span = trace().spans[i].span;
            return true;
        }
    return false;
}

SourceSpan span_of(const Symbol *sym) {
    SourceSpan span;
    return find_span(sym, span) ? span : trace().rule;
}

void remember_span(const Symbol *sym, SourceSpan span) {
    if (sym && trace().span_count < kMaxSpans) trace().spans[trace().span_count++] = {sym, span};
}

SourceSpan place(std::size_t at, std::size_t length) {
    return {static_cast<uint32_t>(at), static_cast<uint32_t>(at + length)};
}

// Where the parenthesis depth check gave up: the opening quote or bracket
// that is never closed, or the "(" that went one level too deep.
SourceSpan rejected_at(const char *text, uint32_t code) {
    const std::size_t length = std::strlen(text);
    if (code == TALV_E_PARENTHESES) {
        char prefix[kNormalisedBufferSize];
        for (std::size_t n = 1; n <= length; ++n) {
            std::memcpy(prefix, text, n);
            prefix[n] = '\0';
            if (check_parenthesis_depth(prefix) == TALV_E_PARENTHESES) return place(n - 1, 1);
        }
        return place(length, 0);
    }
    for (std::size_t p = 0; p < length; ++p) {
        if (text[p] != '\'' && text[p] != '[') continue;
        const char close = text[p] == '\'' ? '\'' : '$';
        const char *end = std::strchr(text + p + 1, close);
        if (!end) return place(p, length - p);
        p = static_cast<std::size_t>(end - text);
    }
    return place(length, 0);
}

// Everything from `start` on is left unread: the host hears of it, since the
// language's rule (the text ends there) is silent by design.
void trace_end(std::size_t start, std::size_t end) {
    trace().end_told = true;
    clear_texts();
    if (end > trace().expr_length) end = trace().expr_length;
    if (start > end) start = end;
    const std::size_t n = end - start < TALV_MAX_EXPR ? end - start : TALV_MAX_EXPR;
    std::memcpy(trace().name, trace().expr + start, n);
    trace().name[n] = '\0';
    emit(make_event(TALV_TRACE_END, place(start, end - start), nullptr));
}

}  // namespace

void trace_begin(const char *expr_text) {
    trace().expr = expr_text;
    trace().expr_length = static_cast<uint32_t>(strnlen(expr_text, TALV_MAX_EXPR + 1));
    trace().rule = {0, 0};
    trace().scanned_to = 0;
    trace().end_told = false;
    trace().span_count = 0;
    for (FieldRead &r : trace().reads) r.field = nullptr;
    trace().next_read = 0;
    trace().pending.answer = nullptr;
}

void trace_rejected(const char *normalised, uint32_t code) {
    clear_texts();
    SourceSpan span = code == TALV_E_TOO_LONG ? place(TALV_MAX_EXPR, trace().expr_length - TALV_MAX_EXPR)
                                              : rejected_at(normalised, code);
    TALV_TRACE_EVENT e = make_event(TALV_TRACE_SYNTAX_ERROR, span, nullptr);
    e.status = 2;
    e.code = code;
    if (code != TALV_E_TOO_LONG) {
        const std::size_t n = e.length < TALV_MAX_EXPR ? e.length : TALV_MAX_EXPR;
        std::memcpy(trace().name, trace().expr + e.start, n);
        trace().name[n] = '\0';
    }
    emit(e);
}

SourceSpan trace_token(int token, Symbol *operand) {
    const char *input = g_state.scanner_input;
    const std::size_t end = g_state.end_pos;
    std::size_t start = trace().scanned_to;
    while (start < end && (input[start] == ' ' || input[start] == '\t' || input[start] == '\n')) ++start;
    std::size_t length = scanner_token_length();
    // The end of the text, unless a "$" ends it early.
    if (token == kTokEnd && !(start < end && input[start] == '$')) start = end, length = 0;
    if (length > end - start) length = end - start;
    trace().scanned_to = start + length;
    const SourceSpan span = place(start, length);
    if (token == kTokVariable || token == kTokNumber || token == kTokField || token == kTokString)
        remember_span(operand, span);
    if ((token < 0 || (token == kTokEnd && length > 0)) && !trace().end_told) trace_end(start, end);
    return span;
}

void trace_rule(SourceSpan span, SourceSpan first, SourceSpan second, SourceSpan third) {
    trace().rule = span;
    trace().rule_parts[0] = first;
    trace().rule_parts[1] = second;
    trace().rule_parts[2] = third;
}

SourceSpan traced_rule() { return trace().rule; }

SourceSpan traced_rule_part(int k) { return trace().rule_parts[k - 1]; }

void trace_field_read(const Symbol *field, const char *recognised, const Symbol *result) {
    if (!result) return;
    clear_texts();
    copy_bounded(trace().name, sizeof trace().name, field->text);
    copy_bounded(trace().text, sizeof trace().text, recognised);
    FieldRead &slot = trace().reads[trace().next_read];
    trace().next_read = (trace().next_read + 1) % kRecentReads;
    slot.code = kNoValue;
    if (result->status < 2) {
        Symbol number = *result;
        slot.code = sym_number(&number);
        if (slot.code == 0) {
            format_number(number, trace().value);
            slot.number = decimal_of(number);
        } else {
            copy_bounded(trace().value, sizeof trace().value, result->text);
        }
    }
    slot.field = field;
    copy_bounded(slot.value, sizeof slot.value, trace().value);
    copy_bounded(slot.recognised, sizeof slot.recognised, recognised);
    emit(make_event(TALV_TRACE_FIELD, span_of(field), result));
}

void trace_range_fields(const Symbol *first, const Symbol *range) {
    const SourceSpan span = span_of(range);
    for (const Symbol *s = first; s; s = s->next) remember_span(s, span);
}

void trace_binary(uint32_t kind, const char *op, const Symbol *result, const Symbol *left, const Symbol *right,
                  SourceSpan whole, SourceSpan left_span, SourceSpan right_span) {
    if (!result) return;
    clear_texts();
    copy_bounded(trace().name, sizeof trace().name, op);
    format_operand(left, trace().left);
    format_operand(right, trace().right);
    if (result->status < 2) format_operand(result, trace().value);
    if (kind == TALV_TRACE_COMPARISON && result->status < 2 && result->kind == 0)
        format_difference(left, right, trace().difference);
    TALV_TRACE_EVENT e = make_event(kind, whole, result);
    set_operands(e, left_span, right_span);
    blame_conversion(e, result, left, right);
    emit(e);
}

void trace_unary_minus(const Symbol *result, const Symbol *operand, SourceSpan whole, SourceSpan operand_span) {
    if (!result) return;
    clear_texts();
    copy_bounded(trace().name, sizeof trace().name, "-");
    format_operand(operand, trace().right);
    if (result->status < 2) format_operand(result, trace().value);
    TALV_TRACE_EVENT e = make_event(TALV_TRACE_OPERATOR, whole, result);
    set_operands(e, {whole.start, whole.start}, operand_span);
    blame_conversion(e, result, nullptr, operand);
    emit(e);
}

void trace_logical(const char *op, int32_t joined, const Symbol *left, const Symbol *right, SourceSpan whole,
                   SourceSpan left_span, SourceSpan right_span) {
    clear_texts();
    copy_bounded(trace().name, sizeof trace().name, op);
    copy_bounded(trace().left, sizeof trace().left, left->status == 0 ? "true" : "false");
    copy_bounded(trace().right, sizeof trace().right, right->status == 0 ? "true" : "false");
    TALV_TRACE_EVENT e = make_event(TALV_TRACE_LOGICAL, whole, nullptr);
    e.status = joined;
    set_operands(e, left_span, right_span);
    emit(e);
}

void trace_call(const Symbol *name, const Symbol *result, SourceSpan whole) {
    if (!result) return;
    clear_texts();
    copy_bounded(trace().name, sizeof trace().name, name->text);
    if (result->status < 2) format_operand(result, trace().value);
    TALV_TRACE_EVENT e = make_event(TALV_TRACE_CALL, whole, result);
    if (trace().pending.answer == result) {
        set_why(e, trace().pending.part, trace().pending.words);
        e.culprit_argument = trace().pending.argument;
        blame(e, trace().pending.blamed);
    } else if (result->status >= 2 && conversion_part(result->code) != TALV_WHY_NONE) {
        // A function that stopped at a field it could not take as a
        // number: the latest field read that gave the code.
        for (std::size_t i = 0; i < kRecentReads; ++i) {
            const FieldRead &r = trace().reads[(trace().next_read + kRecentReads - 1 - i) % kRecentReads];
            if (!r.field || r.code != result->code) continue;
            set_why(e, conversion_part(r.code), conversion_words(conversion_part(r.code)));
            blame(e, r.field);
            break;
        }
    }
    trace().pending.answer = nullptr;
    emit(e);
}

void trace_why(const Symbol *answer, uint32_t part, const char *words, Symbol *head, uint32_t argument) {
    trace().pending.answer = answer;
    trace().pending.part = part;
    trace().pending.argument = argument;
    trace().pending.blamed = nullptr;
    copy_bounded(trace().pending.words, sizeof trace().pending.words, words);
    // The argument list is the library's own chain of Symbols, alive until
    // the evaluation ends; it is walked no further than asked.
    const Symbol *arg = head && argument > 0 && argument <= kMaxBlamedArgument ? head->next : nullptr;
    for (uint32_t n = 1; arg && n < argument; ++n) arg = arg->next;
    trace().pending.blamed = arg;
}

void trace_assignment(const Symbol *name, const Symbol *value, SourceSpan whole) {
    if (!value) return;
    clear_texts();
    copy_bounded(trace().name, sizeof trace().name, name->text);
    if (value->status < 2) format_operand(value, trace().value);
    emit(make_event(TALV_TRACE_ASSIGNMENT, whole, value));
}

void trace_statement(const Symbol *outcome, uint32_t word, SourceSpan whole) {
    clear_texts();
    TALV_TRACE_EVENT e = make_event(TALV_TRACE_STATEMENT, whole, outcome);
    e.code = host_code(word);
    emit(e);
}

void trace_syntax_error(SourceSpan where) {
    clear_texts();
    const uint32_t end = where.end < trace().expr_length ? where.end : trace().expr_length;
    const uint32_t start = where.start < end ? where.start : end;
    std::memcpy(trace().name, trace().expr + start, end - start);
    trace().name[end - start] = '\0';
    TALV_TRACE_EVENT e = make_event(TALV_TRACE_SYNTAX_ERROR, where, nullptr);
    e.status = 2;
    e.code = TALV_E_SYNTAX;
    emit(e);
}

}  // namespace talv

extern "C" TALV_API int talv_trace_active(void) { return talv::trace_on() && talv::evaluation_running(); }

extern "C" TALV_API void talv_trace_why(const Symbol *answer, uint32_t part, const char *why, Symbol *head,
                                        uint32_t argument) {
    if (!talv_trace_active() || !answer) return;
    talv::trace_why(answer, part, why ? why : "", head, argument);
}

extern "C" TALV_API uint32_t talv_set_trace(TALV_TRACE_PROC proc, uintptr_t context) {
    // Switching mid-evaluation would report half an evaluation, or report
    // into a callback that is being replaced.
    if (talv::evaluation_running()) return TALV_R_TRACE_REFUSED;
    talv::trace().proc = proc;
    talv::trace().context = proc ? context : 0;
    return 0;
}
