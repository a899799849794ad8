#include "check/trace_text.h"

#include <cstddef>
#include <cstring>

#include <fmt/format.h>

#include "check/checker.h"
#include "check/hints.h"
#include "check/translation.h"

namespace talvhost {

namespace {

bool is_cp932_lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

std::string piece(const std::string &expr_sjis, uint32_t start, uint32_t length) {
    if (start >= expr_sjis.size()) return {};
    return expr_sjis.substr(start, length);
}

const char *truth(int32_t status) { return status == 0 ? "true" : "false"; }

// The error's code and its message with the name it mentions.
std::string error_words(const TraceStep &s, Converter &conv) {
    PPR_CERTIFY_RESULT record;
    std::memset(&record, 0, sizeof record);
    record.code = s.code;
    std::strncpy(record.text, s.text.c_str(), sizeof record.text - 1);
    return fmt::format("error {} {}", hex_code(s.code), record_message(conv, record));
}

}  // namespace

TraceCollector::TraceCollector(std::size_t keep) : keep_(keep) { talv_set_trace(&TraceCollector::record, reinterpret_cast<uintptr_t>(this)); }

TraceCollector::~TraceCollector() { talv_set_trace(nullptr, 0); }

void TraceCollector::record(uintptr_t context, const TALV_TRACE_EVENT *e) {
    auto *self = reinterpret_cast<TraceCollector *>(context);
    if (self->steps_.size() >= self->keep_) {
        ++self->dropped_;
        return;
    }
    TraceStep s;
    s.kind = e->kind;
    s.start = e->start;
    s.length = e->length;
    s.status = e->status;
    s.code = e->code;
    s.left_start = e->left_start;
    s.left_length = e->left_length;
    s.right_start = e->right_start;
    s.right_length = e->right_length;
    s.name = e->name;
    s.text = e->text;
    s.value = e->value;
    s.left = e->left;
    s.right = e->right;
    // The record says how much of it the library filled.
    if (e->size >= offsetof(TALV_TRACE_EVENT, culprit_text) + sizeof e->culprit_text) {
        s.why_part = e->why_part;
        s.culprit_start = e->culprit_start;
        s.culprit_length = e->culprit_length;
        s.culprit_argument = e->culprit_argument;
        s.why = e->why;
        s.difference = e->difference;
        s.culprit = e->culprit;
        s.culprit_text = e->culprit_text;
    }
    self->steps_.push_back(std::move(s));
}

const char *trace_kind_word(uint32_t kind) {
    switch (kind) {
    case TALV_TRACE_FIELD: return "field";
    case TALV_TRACE_OPERATOR: return "operator";
    case TALV_TRACE_COMPARISON: return "comparison";
    case TALV_TRACE_LOGICAL: return "logical";
    case TALV_TRACE_CALL: return "call";
    case TALV_TRACE_ASSIGNMENT: return "assignment";
    case TALV_TRACE_STATEMENT: return "statement";
    case TALV_TRACE_SYNTAX_ERROR: return "syntax error";
    case TALV_TRACE_END: return "unread";
    default: return "step";
    }
}

std::size_t display_columns(const std::string &sjis, std::size_t n) {
    std::size_t columns = 0;
    for (std::size_t i = 0; i < n && i < sjis.size(); ++i) {
        if (is_cp932_lead(static_cast<unsigned char>(sjis[i])) && i + 1 < sjis.size()) {
            ++i;
            columns += 2;
        } else {
            ++columns;
        }
    }
    return columns;
}

std::string display_expression(const std::string &expr_sjis, Converter &conv) {
    std::string flat = expr_sjis;
    for (std::size_t i = 0; i < flat.size(); ++i) {
        if (is_cp932_lead(static_cast<unsigned char>(flat[i]))) ++i;
        else if (flat[i] == '\t' || flat[i] == '\n' || flat[i] == '\r') flat[i] = ' ';
    }
    return conv.to_utf8(flat);
}

std::string underline(const std::string &expr_sjis, uint32_t start, uint32_t length) {
    const std::size_t from = display_columns(expr_sjis, start);
    const std::size_t width = length ? display_columns(expr_sjis, std::size_t{start} + length) - from : 1;
    return std::string(from, ' ') + std::string(width ? width : 1, '^');
}

std::string describe_step(const TraceStep &s, const std::string &expr_sjis, Converter &conv) {
    const std::string name = conv.to_utf8(s.name);
    const std::string value = conv.to_utf8(s.value);
    const std::string left = conv.to_utf8(s.left);
    const std::string right = conv.to_utf8(s.right);
    const std::string error = s.status >= 2 ? ": " + error_words(s, conv) : std::string();
    switch (s.kind) {
    case TALV_TRACE_FIELD: {
        if (s.status >= 2) return name + error;
        std::string line = fmt::format("{} = {}", name, value);
        if (s.text != s.value) line += fmt::format("  (recognised \"{}\")", conv.to_utf8(s.text));
        return line;
    }
    case TALV_TRACE_OPERATOR: {
        const std::string result = s.status >= 2 ? error : " = " + value;
        if (s.left_length == 0 && s.left.empty()) return fmt::format("-{}{}", right, result);
        return fmt::format("{} {} {}{}", left, name, right, result);
    }
    case TALV_TRACE_COMPARISON:
        if (s.status >= 2) return fmt::format("{} {} {}{}", left, name, right, error);
        return fmt::format("{} {} {} → {}", left, name, right, truth(s.status));
    case TALV_TRACE_LOGICAL: return fmt::format("{} {} {} → {}", left, name, right, truth(s.status));
    case TALV_TRACE_CALL:
        if (s.status >= 2) return fmt::format("{}(…){}", name, error);
        if (s.status == 1) return fmt::format("{}(…) → false", name);
        return fmt::format("{}(…) = {}", name, value);
    case TALV_TRACE_ASSIGNMENT: return s.status >= 2 ? name + error : fmt::format("{} = {}", name, value);
    case TALV_TRACE_STATEMENT:
        if (s.status == 0) return "holds";
        if (s.status >= 2) return error_words(s, conv);
        if (s.code == 0) return "false, not reported in certify mode";
        return fmt::format("false: {} {}", hex_code(s.code), library_message(conv, s.code));
    case TALV_TRACE_SYNTAX_ERROR: {
        std::string where = s.start >= expr_sjis.size()
                                ? fmt::format("at byte {}, the end of the text", s.start + 1)
                                : fmt::format("at byte {} (\"{}\")", s.start + 1,
                                              conv.to_utf8(piece(expr_sjis, s.start, s.length ? s.length : 1)));
        return fmt::format("parsing stopped {}: {} {}", where, hex_code(s.code), library_message(conv, s.code));
    }
    case TALV_TRACE_END: {
        const std::optional<Unread> u = find_unread({s}, expr_sjis);
        return u ? unread_message(*u, conv) : name;
    }
    default: return name;
    }
}

std::string trace_text(const std::vector<TraceStep> &steps, const std::string &expr_sjis, Converter &conv,
                       const std::string &indent) {
    // The underlines share one column, wide enough for a caret past the end.
    const std::size_t width = display_columns(expr_sjis, expr_sjis.size()) + 1;
    std::string out = indent + display_expression(expr_sjis, conv) + "\n";
    for (const TraceStep &s : steps) {
        if (s.kind == TALV_TRACE_END && !find_unread({s}, expr_sjis)) continue;  // a "$" closing the text
        std::string mark = underline(expr_sjis, s.start, s.length);
        if (mark.size() < width) mark.append(width - mark.size(), ' ');
        out += fmt::format("{}{}  {:<12} {}\n", indent, mark, trace_kind_word(s.kind), describe_step(s, expr_sjis, conv));
    }
    return out;
}

nlohmann::ordered_json trace_json(const std::vector<TraceStep> &steps, const std::string &expr_sjis,
                                  Converter &conv) {
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    for (const TraceStep &s : steps) {
        if (s.kind == TALV_TRACE_END && !find_unread({s}, expr_sjis)) continue;
        nlohmann::ordered_json j;
        j["kind"] = trace_kind_word(s.kind);
        j["piece"] = conv.to_utf8(piece(expr_sjis, s.start, s.length));
        j["start"] = s.start;
        j["length"] = s.length;
        if (!s.name.empty()) j["name"] = conv.to_utf8(s.name);
        if (!s.value.empty()) j["value"] = conv.to_utf8(s.value);
        if (s.kind == TALV_TRACE_FIELD && s.status < 2) j["recognised"] = conv.to_utf8(s.text);
        if (s.status >= 2) j["message"] = error_words(s, conv);
        if (s.kind == TALV_TRACE_END) j["message"] = describe_step(s, expr_sjis, conv);
        if (s.kind == TALV_TRACE_OPERATOR || s.kind == TALV_TRACE_COMPARISON || s.kind == TALV_TRACE_LOGICAL) {
            if (s.left_length || !s.left.empty()) j["left"] = conv.to_utf8(s.left);
            j["right"] = conv.to_utf8(s.right);
        }
        const bool condition =
            s.kind == TALV_TRACE_COMPARISON || s.kind == TALV_TRACE_LOGICAL || s.kind == TALV_TRACE_STATEMENT;
        j["status"] = s.status >= 2 ? "error" : s.status == 1 ? "false" : condition ? "true" : "value";
        if (s.code) j["code"] = hex_code(s.code);
        all.push_back(std::move(j));
    }
    return all;
}

}  // namespace talvhost
