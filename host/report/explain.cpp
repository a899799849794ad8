#include "report/explain.h"

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

// A value as the library wrote it: exact decimal text ("-1234.5"), or a
// text.  Only how it is shown depends on it.
bool is_number(const std::string &text) {
    std::size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0, digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(text[i]))) ++digits;
        else if (text[i] == '.' && !point) point = true;
        else return false;
    }
    return digits > 0;
}

bool is_calendar_part(uint32_t part) { return part >= TALV_WHY_MONTH && part <= TALV_WHY_HALF; }

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

// The keys every located step begins with, in the order the report shows them.
ojson step_json(const char *kind, const TraceStep &s, const std::string &expr, Converter &conv) {
    ojson j;
    j["kind"] = kind;
    j["piece"] = conv.to_utf8(slice(expr, s.start, s.length));
    j["start"] = s.start;
    j["length"] = s.length;
    return j;
}

ojson comparison(const TraceStep &s, const std::string &expr, const std::string &field, Converter &conv) {
    ojson j = step_json("comparison", s, expr, conv);
    j["operator"] = s.name;
    std::string lw, rw;
    j["left"] = side(conv.to_utf8(slice(expr, s.left_start, s.left_length)), conv.to_utf8(s.left), field, lw);
    j["right"] = side(conv.to_utf8(slice(expr, s.right_start, s.right_length)), conv.to_utf8(s.right), field, rw);
    const bool holds = s.status == 0;
    j["result"] = holds ? "true" : "false";
    std::string text = fmt::format("{}  {}  {}  → {}", lw, s.name, rw, holds ? "true" : "false");
    // The library gives the difference of what it compared.
    if (!holds && !s.difference.empty() && s.difference != "0" && is_number(s.left) && is_number(s.right)) {
        j["difference"] = s.difference;
        text += fmt::format(" (differs by {})", s.difference);
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
    if (!holds && !s.why.empty()) {
        // What the library found impossible about a date or time, or what
        // else it says made the call false (a check digit, a length).
        const std::string why = conv.to_utf8(s.why);
        j[is_calendar_part(s.why_part) ? "impossible" : "why"] = why;
        text += ": " + why;
    }
    j["text"] = text;
    return j;
}

// An error in words: the field (or piece) whose text caused it and why, as
// the library tells it; else the step with its code and message.
std::string error_text(const TraceStep &s, const std::string &expr, Converter &conv) {
    if (s.why.empty()) return describe_step(s, expr, conv);
    const std::string why = conv.to_utf8(s.why);
    if (!s.culprit.empty())
        return fmt::format("{} \"{}\": {}", conv.to_utf8(s.culprit), conv.to_utf8(s.culprit_text), why);
    if (s.culprit_length) return conv.to_utf8(slice(expr, s.culprit_start, s.culprit_length)) + ": " + why;
    if (s.kind == TALV_TRACE_CALL) return conv.to_utf8(s.name) + "(…): " + why;
    return conv.to_utf8(slice(expr, s.start, s.length)) + ": " + why;
}

ojson located(const char *kind, const TraceStep &s, const std::string &expr, Converter &conv) {
    ojson j = step_json(kind, s, expr, conv);
    j["byte"] = s.start + 1;
    if (s.code) j["code"] = fmt::format("{:08X}", s.code);
    j["caret"] = underline(expr, s.start, s.length);
    if (!s.why.empty()) {
        j["why"] = conv.to_utf8(s.why);
        if (!s.culprit.empty()) j["field"] = conv.to_utf8(s.culprit);
        if (!s.culprit.empty() || s.culprit_length) j["recognised"] = conv.to_utf8(s.culprit_text);
        if (s.culprit_argument) j["argument"] = s.culprit_argument;
    }
    j["text"] = s.kind == TALV_TRACE_SYNTAX_ERROR ? describe_step(s, expr, conv) : error_text(s, expr, conv);
    return j;
}

}  // namespace

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
        ojson j = step_json("assignment", s, expr, conv);
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
            ojson j = step_json("logical", s, expr, conv);
            j["operator"] = s.name;
            j["result"] = s.status == 0 ? "true" : "false";
            j["text"] = describe_step(s, expr, conv);
            out.push_back(std::move(j));
        }
    }
    if (out.size() == before) {
        // A statement that is a bare value: say what it came to.
        ojson j = step_json("statement", steps[stmt], expr, conv);
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
