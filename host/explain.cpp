#include "explain.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include <fmt/format.h>

#include "talvechk.h"

namespace talvhost {

namespace {

using ojson = nlohmann::ordered_json;

bool is_lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

struct Span {
    uint32_t start = 0, length = 0;
};

std::string slice(const std::string &s, uint32_t start, uint32_t length) {
    if (start >= s.size()) return {};
    return s.substr(start, length);
}

std::string trim(const std::string &s) {
    std::size_t b = s.find_first_not_of(" \t\r\n"), e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// ---- exact decimals ---------------------------------------------------------

struct Decimal {
    bool negative = false;
    std::string digits;  // integer and fraction digits, no point
    std::size_t scale = 0;
};

std::optional<Decimal> parse_decimal(const std::string &text) {
    Decimal d;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) d.negative = text[i++] == '-';
    bool point = false, any = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == '.' && !point) {
            point = true;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            d.digits += c;
            any = true;
            if (point) ++d.scale;
        } else {
            return std::nullopt;
        }
    }
    if (!any) return std::nullopt;
    return d;
}

// Magnitudes at one scale, as digit strings of one length.
void align(Decimal &a, Decimal &b) {
    std::size_t scale = std::max(a.scale, b.scale);
    a.digits.append(scale - a.scale, '0');
    b.digits.append(scale - b.scale, '0');
    a.scale = b.scale = scale;
    std::size_t width = std::max(a.digits.size(), b.digits.size());
    a.digits.insert(0, width - a.digits.size(), '0');
    b.digits.insert(0, width - b.digits.size(), '0');
}

std::string magnitude_add(const std::string &a, const std::string &b) {
    std::string out(a.size(), '0');
    int carry = 0;
    for (std::size_t i = a.size(); i-- > 0;) {
        int v = (a[i] - '0') + (b[i] - '0') + carry;
        out[i] = static_cast<char>('0' + v % 10);
        carry = v / 10;
    }
    return carry ? "1" + out : out;
}

// a >= b
std::string magnitude_sub(const std::string &a, const std::string &b) {
    std::string out(a.size(), '0');
    int borrow = 0;
    for (std::size_t i = a.size(); i-- > 0;) {
        int v = (a[i] - '0') - (b[i] - '0') - borrow;
        borrow = v < 0;
        out[i] = static_cast<char>('0' + (v + 10) % 10);
    }
    return out;
}

std::string decimal_text(std::string digits, std::size_t scale) {
    std::string whole = digits.substr(0, digits.size() - scale), frac = digits.substr(digits.size() - scale);
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    std::size_t nz = whole.find_first_not_of('0');
    whole = nz == std::string::npos ? "0" : whole.substr(nz);
    return frac.empty() ? whole : whole + "." + frac;
}

bool is_number(const std::string &text) { return parse_decimal(text).has_value(); }

// ---- dates ------------------------------------------------------------------

const char *const kMonths[] = {"", "January", "February", "March", "April", "May", "June", "July",
                               "August", "September", "October", "November", "December"};
const char *const kEraNames[] = {"", "Meiji", "Taisho", "Showa", "Heisei", "Reiwa"};

struct EraRow {
    long last_year, first_year, first_month, first_day, last_month, last_day;
};
// Era years, first Gregorian year, first day, last day (as the library has them).
const EraRow kEraRows[] = {{0, 0, 0, 0, 0, 0},           {45, 1868, 1, 1, 7, 29},   {15, 1912, 7, 30, 12, 25},
                           {64, 1926, 12, 26, 1, 7},     {112, 1989, 1, 8, 12, 31}, {82, 2019, 5, 1, 12, 31}};

bool leap(long y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }
long month_days(long y, long m) {
    static const long d[] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : d[m];
}

// The integer an argument stands for (fraction cut off); nullopt past 8 digits.
std::optional<long> integer_of(const std::string &text) {
    auto d = parse_decimal(text);
    if (!d) return std::nullopt;
    std::string whole = d->digits.substr(0, d->digits.size() - d->scale);
    std::size_t nz = whole.find_first_not_of('0');
    whole = nz == std::string::npos ? "0" : whole.substr(nz);
    if (whole.size() > 8) return std::nullopt;
    long v = std::stol(whole);
    return d->negative ? -v : v;
}

// Month and day alone, as in a leap year (the year is judged apart).
std::string month_day_fault(long m, long d) {
    if (m < 1 || m > 12) return fmt::format("month {}", m);
    if (d < 1 || d > 31) return fmt::format("day {}", d);
    if (d > month_days(2000, m)) return fmt::format("{} {}", d, kMonths[m]);
    return {};
}

std::string ydate_fault(long y, long m, long d) {
    if (std::string md = month_day_fault(m, d); !md.empty()) return md;
    if (y < 1583 || y > 2100) return fmt::format("year {} (1583 to 2100)", y);
    if (d > month_days(y, m)) return fmt::format("{} {} {} ({} is not a leap year)", d, kMonths[m], y, y);
    return {};
}

long ordinal(long y, long m, long d) { return 31 * (m + 12 * y) + d; }

std::string jdate_fault(long era, long ey, long m, long d) {
    if (std::string md = month_day_fault(m, d); !md.empty()) return md;
    if (era < 1 || era > 5) return fmt::format("era {} (1 Meiji to 5 Reiwa)", era);
    const EraRow &row = kEraRows[era];
    const char *name = kEraNames[era];
    if (ey < 1 || ey > row.last_year) return fmt::format("year {} of {} (1 to {})", ey, name, row.last_year);
    if (ordinal(ey, m, d) < ordinal(1, row.first_month, row.first_day))
        return fmt::format("{} {} {} {}: before {} began ({} {} {})", d, kMonths[m], name, ey, name, row.first_day,
                           kMonths[row.first_month], row.first_year);
    if (ordinal(ey, m, d) > ordinal(row.last_year, row.last_month, row.last_day))
        return fmt::format("{} {} {} {}: after {} ended ({} {} {})", d, kMonths[m], name, ey, name, row.last_day,
                           kMonths[row.last_month], row.first_year + row.last_year - 1);
    long year = row.first_year + ey - 1;
    if (era == 1 && ey <= 5) {
        if (d > 30) return fmt::format("day {} in {} {} (months had at most 30 days)", d, name, ey);
        if (ey == 5 && m == 12 && d >= 3) return fmt::format("{} December {} 5 (skipped for the new calendar)", d, name);
        return {};
    }
    if (d > month_days(year, m)) return fmt::format("{} {} {} {} ({} is not a leap year)", d, kMonths[m], name, ey, year);
    return {};
}

std::string clock_fault(long h, long max_hour, long minute) {
    if (h < 0 || h > max_hour) return fmt::format("hour {} (0 to {})", h, max_hour);
    if (minute < 0 || minute > 59) return fmt::format("minute {}", minute);
    return {};
}

// ---- reading the trace --------------------------------------------------------

// The argument spans of the call whose span is `call` (blanks trimmed).
std::vector<Span> argument_spans(const std::string &expr, Span call) {
    std::vector<Span> args;
    std::size_t end = std::min<std::size_t>(expr.size(), std::size_t{call.start} + call.length);
    std::size_t i = expr.find('(', call.start);
    if (i == std::string::npos || i >= end) return args;
    int depth = 0, brackets = 0;
    bool quoted = false;
    std::size_t from = i + 1;
    auto push = [&](std::size_t to) {
        while (from < to && std::isspace(static_cast<unsigned char>(expr[from]))) ++from;
        while (to > from && std::isspace(static_cast<unsigned char>(expr[to - 1]))) --to;
        if (to > from) args.push_back(Span{static_cast<uint32_t>(from), static_cast<uint32_t>(to - from)});
    };
    for (++i; i < end; ++i) {
        unsigned char c = static_cast<unsigned char>(expr[i]);
        if (is_lead(c)) {
            ++i;
            continue;
        }
        if (c == '\'') quoted = !quoted;
        if (quoted) continue;
        if (c == '[') ++brackets;
        else if (c == ']') --brackets;
        else if (brackets > 0) continue;
        else if (c == '(') ++depth;
        else if (c == ')' && depth-- == 0) {
            push(i);
            break;
        } else if (c == ',' && depth == 0) {
            push(i);
            from = i + 1;
        }
    }
    return args;
}

bool has_value(const TraceStep &s) {
    return s.status == 0 && (s.kind == TALV_TRACE_FIELD || s.kind == TALV_TRACE_OPERATOR ||
                             (s.kind == TALV_TRACE_CALL && !s.value.empty()) || s.kind == TALV_TRACE_ASSIGNMENT);
}

// The value a piece had: the last step before `before` over exactly that
// span, else the piece's own text (a literal).
std::string value_of(const std::vector<TraceStep> &steps, std::size_t before, std::size_t from, Span span,
                     const std::string &expr, Converter &conv) {
    for (std::size_t k = before; k-- > from;) {
        const TraceStep &s = steps[k];
        if (s.start != span.start || s.length != span.length || !has_value(s)) continue;
        // A field that reads as no number: its text as recognised, not the
        // library's full-width copy.
        if (s.kind == TALV_TRACE_FIELD && !is_number(s.value)) return conv.to_utf8(s.text);
        return conv.to_utf8(s.value);
    }
    return conv.to_utf8(slice(expr, span.start, span.length));
}

// A value as a line shows it: numbers bare, texts quoted.
std::string shown(const std::string &value) {
    if (is_number(value)) return value;
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') return value;
    return "\"" + value + "\"";
}

// One side of a comparison: its piece, and its value unless the piece is it.
ojson side(const std::string &piece, const std::string &value, const std::string &field, std::string &words) {
    ojson j;
    j["piece"] = piece;
    if (trim(piece) == "@") {
        j["field"] = field;
        words = fmt::format("@ {} = {}", field, shown(value));
    } else if (trim(piece) == value) {
        words = value;
    } else {
        words = fmt::format("{} = {}", piece, shown(value));
    }
    j["value"] = value;
    return j;
}

ojson comparison(const TraceStep &s, const std::string &expr, const std::string &field, Converter &conv) {
    ojson j;
    j["kind"] = "comparison";
    j["piece"] = conv.to_utf8(slice(expr, s.start, s.length));
    j["start"] = s.start;
    j["length"] = s.length;
    j["operator"] = s.name;
    std::string lw, rw;
    j["left"] = side(conv.to_utf8(slice(expr, s.left_start, s.left_length)), conv.to_utf8(s.left), field, lw);
    j["right"] = side(conv.to_utf8(slice(expr, s.right_start, s.right_length)), conv.to_utf8(s.right), field, rw);
    const bool holds = s.status == 0;
    j["result"] = holds ? "true" : "false";
    std::string text = fmt::format("{}  {}  {}  → {}", lw, s.name, rw, holds ? "true" : "false");
    if (!holds)
        if (auto d = decimal_difference(s.left, s.right); d && *d != "0") {
            j["difference"] = *d;
            text += fmt::format(" (differs by {})", *d);
        }
    j["text"] = text;
    return j;
}

ojson call(const std::vector<TraceStep> &steps, std::size_t at, std::size_t from, const std::string &expr,
           Converter &conv) {
    const TraceStep &s = steps[at];
    ojson j;
    j["kind"] = "call";
    j["function"] = conv.to_utf8(s.name);
    j["piece"] = conv.to_utf8(slice(expr, s.start, s.length));
    j["start"] = s.start;
    j["length"] = s.length;
    std::vector<std::string> args;
    std::string list;
    for (Span a : argument_spans(expr, Span{s.start, s.length})) {
        args.push_back(value_of(steps, at, from, a, expr, conv));
        list += (list.empty() ? "" : ", ") + shown(args.back());
    }
    j["arguments"] = args;
    const bool holds = s.status == 0;
    j["result"] = holds ? "true" : "false";
    std::string text = fmt::format("{}({}) → {}", j["function"].get<std::string>(), list, holds ? "true" : "false");
    if (!holds) {
        std::string name = j["function"].get<std::string>();
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        if (std::string part = impossible_part(name, args); !part.empty()) {
            j["impossible"] = part;
            text += ": " + part;
        }
    }
    j["text"] = text;
    return j;
}

ojson located(const char *kind, const TraceStep &s, const std::string &expr, Converter &conv) {
    ojson j;
    j["kind"] = kind;
    j["piece"] = conv.to_utf8(slice(expr, s.start, s.length));
    j["start"] = s.start;
    j["length"] = s.length;
    j["byte"] = s.start + 1;
    if (s.code) j["code"] = fmt::format("{:08X}", s.code);
    j["caret"] = underline(expr, s.start, s.length);
    j["text"] = describe_step(s, expr, conv);
    return j;
}

}  // namespace

std::optional<std::string> decimal_difference(const std::string &a_text, const std::string &b_text) {
    auto a = parse_decimal(a_text), b = parse_decimal(b_text);
    if (!a || !b) return std::nullopt;
    align(*a, *b);
    // |a - b|: magnitudes add when the signs differ, else subtract.
    if (a->negative != b->negative) return decimal_text(magnitude_add(a->digits, b->digits), a->scale);
    const bool a_larger = a->digits >= b->digits;
    return decimal_text(a_larger ? magnitude_sub(a->digits, b->digits) : magnitude_sub(b->digits, a->digits),
                        a->scale);
}

std::string impossible_part(const std::string &function, const std::vector<std::string> &args) {
    std::vector<long> v;
    for (const std::string &a : args) {
        auto n = integer_of(a);
        if (!n) return {};
        v.push_back(*n);
    }
    if (function == "day" && v.size() == 1 && (v[0] < 1 || v[0] > 31)) return fmt::format("day {}", v[0]);
    if (function == "month" && v.size() == 1 && (v[0] < 1 || v[0] > 12)) return fmt::format("month {}", v[0]);
    if (function == "mdate" && v.size() == 2) return month_day_fault(v[0], v[1]);
    if (function == "ydate" && v.size() == 3) return ydate_fault(v[0], v[1], v[2]);
    if (function == "jdate" && v.size() == 4) return jdate_fault(v[0], v[1], v[2], v[3]);
    if (function == "time" && v.size() == 2) return clock_fault(v[0], 23, v[1]);
    if (function == "time12" && v.size() == 3) {
        if (v[0] != 1 && v[0] != 2) return fmt::format("half {} (1 morning, 2 afternoon)", v[0]);
        return clock_fault(v[1], 11, v[2]);
    }
    return {};
}

nlohmann::ordered_json decisive_steps(const std::vector<TraceStep> &steps, const std::string &expr,
                                      const std::string &field, Converter &conv) {
    ojson out = ojson::array();
    for (const TraceStep &s : steps)
        if (s.kind == TALV_TRACE_SYNTAX_ERROR) {
            out.push_back(located("syntax error", s, expr, conv));
            return out;
        }
    // The statement that decided: the last one (evaluation stops there).
    // An error may end it before its outcome is reported.
    std::size_t end = steps.size();
    while (end > 0 && steps[end - 1].kind != TALV_TRACE_STATEMENT) --end;
    const bool unfinished = end < steps.size();
    if (end == 0 && !unfinished) return out;
    const std::size_t stmt = unfinished ? steps.size() : end - 1;
    std::size_t from = unfinished ? end : stmt;
    while (from > 0 && steps[from - 1].kind != TALV_TRACE_STATEMENT) --from;

    // What earlier statements assigned, as the failed one may use it.
    for (std::size_t k = 0; k < from; ++k) {
        const TraceStep &s = steps[k];
        if (s.kind != TALV_TRACE_ASSIGNMENT || s.status != 0) continue;
        ojson j;
        j["kind"] = "assignment";
        j["piece"] = conv.to_utf8(slice(expr, s.start, s.length));
        j["start"] = s.start;
        j["length"] = s.length;
        j["name"] = conv.to_utf8(s.name);
        j["value"] = conv.to_utf8(s.value);
        j["text"] = fmt::format("{} → {} = {}", j["piece"].get<std::string>(), j["name"].get<std::string>(),
                                shown(j["value"].get<std::string>()));
        out.push_back(std::move(j));
    }

    if (unfinished || steps[stmt].status >= 2) {
        // Where the error arose: its first step.
        for (std::size_t k = from; k < steps.size() && k <= stmt; ++k)
            if (steps[k].status >= 2) {
                out.push_back(located("error", steps[k], expr, conv));
                break;
            }
        return out;
    }
    std::size_t before = out.size();
    for (std::size_t k = from; k < stmt; ++k) {
        const TraceStep &s = steps[k];
        if (s.kind == TALV_TRACE_COMPARISON && s.status < 2) {
            out.push_back(comparison(s, expr, field, conv));
        } else if (s.kind == TALV_TRACE_CALL && s.status < 2 && (s.status == 1 || s.value.empty())) {
            out.push_back(call(steps, k, from, expr, conv));
        } else if (s.kind == TALV_TRACE_LOGICAL) {
            ojson j;
            j["kind"] = "logical";
            j["piece"] = conv.to_utf8(slice(expr, s.start, s.length));
            j["start"] = s.start;
            j["length"] = s.length;
            j["operator"] = s.name;
            j["result"] = s.status == 0 ? "true" : "false";
            j["text"] = describe_step(s, expr, conv);
            out.push_back(std::move(j));
        }
    }
    if (out.size() == before) {
        // A statement that is a bare value: say what it came to.
        ojson j;
        j["kind"] = "statement";
        j["piece"] = conv.to_utf8(slice(expr, steps[stmt].start, steps[stmt].length));
        j["start"] = steps[stmt].start;
        j["length"] = steps[stmt].length;
        j["text"] = j["piece"].get<std::string>() + " → " + describe_step(steps[stmt], expr, conv);
        out.push_back(std::move(j));
    }
    return out;
}

nlohmann::ordered_json explain_check(const FieldDef &def, Converter &conv) {
    std::vector<TraceStep> steps;
    {
        TraceCollector trace;
        uint32_t out = TALV_E_INTERNAL;
        PPR_eval(&out, def.sjis_name.c_str(), def.sjis_check.c_str());
        steps = trace.take();
    }
    ojson j;
    j["check"] = display_expression(def.sjis_check, conv);
    j["explain"] = decisive_steps(steps, def.sjis_check, def.name, conv);
    return j;
}

std::vector<std::string> detail_lines(const nlohmann::ordered_json &detail) {
    std::vector<std::string> lines;
    if (detail.contains("check")) lines.push_back("check    " + detail["check"].get<std::string>());
    if (detail.contains("explain"))
        for (const auto &step : detail["explain"]) {
            if (step.contains("caret")) lines.push_back("         " + step["caret"].get<std::string>());
            lines.push_back("         " + step["text"].get<std::string>());
        }
    if (detail.contains("suggestions")) {
        const auto &all = detail["suggestions"];
        if (all.empty() && !detail.contains("cut_short"))
            lines.push_back("suggest  (no single-character change makes the check pass)");
        for (const auto &c : all) lines.push_back("suggest  " + c["text"].get<std::string>());
        if (detail.contains("cut_short")) lines.push_back("suggest  (" + detail["cut_short"].get<std::string>() + ")");
    }
    return lines;
}

}  // namespace talvhost
