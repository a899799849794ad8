#include "check/hints.h"

#include <cctype>
#include <cstring>

#include <fmt/format.h>

#include "talvechk.h"
#include "check/translation.h"

namespace talvhost {

namespace {

bool english() { return message_language() == Language::English; }

bool is_lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The one code point of a UTF-8 text, 0 when it holds anything else.
char32_t code_point(const std::string &utf8) {
    const auto *p = reinterpret_cast<const unsigned char *>(utf8.data());
    if (utf8.size() == 3 && (p[0] & 0xF0) == 0xE0)
        return (char32_t{p[0] & 0x0Fu} << 12) | (char32_t{p[1] & 0x3Fu} << 6) | (p[2] & 0x3Fu);
    if (utf8.size() == 2 && (p[0] & 0xE0) == 0xC0) return (char32_t{p[0] & 0x1Fu} << 6) | (p[1] & 0x3Fu);
    return 0;
}

// The ASCII character a full-width one stands for, when it is one a check
// can use outside texts and field names; 0 otherwise (a full-width "$"
// would still end the text, "_" is no part of a name).
char ascii_of(char32_t cp) {
    if (cp == 0x3000) return ' ';
    if (cp == 0x2212) return '-';  // the minus sign some converters give for 0x817C
    if (cp < 0xFF01 || cp > 0xFF5E) return 0;
    const char c = static_cast<char>(cp - 0xFEE0);
    return std::isalnum(static_cast<unsigned char>(c)) || std::strchr("+-*/=<>!&|(),.[]@' ", c) ? c : 0;
}

std::string quoted(const std::string &utf8) { return english() ? "\"" + utf8 + "\"" : "「" + utf8 + "」"; }

// Byte classes as the scanner sees them, enough to step over the texts and
// field names where operators are not operators.
std::size_t skip_literal(const std::string &s, std::size_t i) {
    const char close = s[i] == '\'' ? '\'' : ']';
    std::size_t end = s.find(close, i + 1);
    return end == std::string::npos ? s.size() : end + 1;
}

bool relop_byte(char c) { return c == '=' || c == '!' || c == '<' || c == '>'; }

std::string trim(const std::string &s) {
    std::size_t a = s.find_first_not_of(" \t\n"), b = s.find_last_not_of(" \t\n");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// 0 < @ < 100: the left comparison ends where the second operator starts.
// Rewritten as two comparisons joined by &&, when the chain is plain.
std::string chained_hint(const std::string &expr, std::size_t at, std::size_t length, Converter &conv) {
    // The statement's start and the previous operator, ignoring texts and names.
    std::size_t from = 0, prev = std::string::npos, prev_len = 0;
    int depth = 0;
    for (std::size_t i = 0; i < at;) {
        const char c = expr[i];
        if (c == '\'' || c == '[') {
            i = skip_literal(expr, i);
            continue;
        }
        if (is_lead(static_cast<unsigned char>(c))) {
            i += 2;
            continue;
        }
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if (c == ',' || c == '(' || ((c == '&' || c == '|') && i + 1 < at && expr[i + 1] == c)) {
            from = i + (c == ',' || c == '(' ? 1 : 2);
            prev = std::string::npos;
            i = from;
            continue;
        }
        if (relop_byte(c)) {
            std::size_t n = 1;
            while (i + n < at && relop_byte(expr[i + n])) ++n;
            prev = i;
            prev_len = n;
            i += n;
            continue;
        }
        ++i;
    }
    if (prev == std::string::npos) return "";
    std::size_t to = at + length;
    while (to < expr.size() && expr[to] != ',' && expr[to] != ')' && expr[to] != '&' && expr[to] != '|') {
        if (expr[to] == '\'' || expr[to] == '[') to = skip_literal(expr, to);
        else ++to;
    }
    const std::string a = trim(expr.substr(from, prev - from)), op1 = expr.substr(prev, prev_len);
    const std::string b = trim(expr.substr(prev + prev_len, at - prev - prev_len));
    const std::string op2 = expr.substr(at, length), c = trim(expr.substr(at + length, to - at - length));
    if (a.empty() || b.empty() || c.empty()) return "";
    const std::string fixed = conv.to_utf8(a + " " + op1 + " " + b + " && " + b + " " + op2 + " " + c);
    return english() ? fmt::format("comparisons cannot be chained: write {}", fixed)
                     : fmt::format("比較は続けて書けません。「{}」のように && でつないでください", fixed);
}

// 1,000: a comma between digits, outside texts and field names, up to `end`.
bool separator_before(const std::string &expr, std::size_t end) {
    for (std::size_t i = 0; i < end && i < expr.size();) {
        const char c = expr[i];
        if (c == '\'' || c == '[') {
            i = skip_literal(expr, i);
            continue;
        }
        if (c == ',' && i > 0 && std::isdigit(static_cast<unsigned char>(expr[i - 1])) && i + 3 < expr.size() &&
            std::isdigit(static_cast<unsigned char>(expr[i + 1])) &&
            std::isdigit(static_cast<unsigned char>(expr[i + 2])) &&
            std::isdigit(static_cast<unsigned char>(expr[i + 3])))
            return true;
        i += is_lead(static_cast<unsigned char>(c)) ? 2 : 1;
    }
    return false;
}

// The letters and digits around an "_" at `at`: max_kg.
std::string name_around(const std::string &expr, std::size_t at) {
    auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    std::size_t a = at, b = at + 1;
    while (a > 0 && word(expr[a - 1])) --a;
    while (b < expr.size() && word(expr[b])) ++b;
    return expr.substr(a, b - a);
}

std::string syntax_hint(const std::string &expr, const TraceStep &error, Converter &conv) {
    const std::size_t at = error.start;
    const std::string token = at < expr.size() ? expr.substr(at, error.length ? error.length : 1) : "";
    const char before = at > 0 && at <= expr.size() ? expr[at - 1] : '\0';
    const char before2 = at > 1 && at <= expr.size() ? expr[at - 2] : '\0';
    const char after = at + 1 < expr.size() ? expr[at + 1] : '\0';
    const bool en = english();
    // Refused before parsing: the opening quote or bracket and the rest of the text.
    if (at + error.length == expr.size() && error.length > 1 && (token[0] == '\'' || token[0] == '[')) {
        if (token[0] == '\'')
            return en ? fmt::format("the \"'\" at byte {} is never closed: a text ends with \"'\"", at + 1)
                      : fmt::format("{}バイト目の「'」が閉じていません。文字列は「'」で終わります", at + 1);
        return en ? fmt::format("the \"[\" at byte {} is never closed: a field reference ends with \"]\"", at + 1)
                  : fmt::format("{}バイト目の「[」が閉じていません。フィールド参照は「]」で終わります", at + 1);
    }
    if (token == "_") {
        const std::string name = conv.to_utf8(name_around(expr, at));
        return en ? fmt::format("\"_\" is no part of a name: a variable's name is letters and digits only; "
                                "a field is written in brackets, [{}]",
                                name)
                  : fmt::format("名前に「_」は使えません。変数名は英字と数字だけです。フィールドなら [{}] と [ ] で囲みます",
                                name);
    }
    if ((token == "=" && (after == '<' || after == '>')) ||
        ((token == "<" || token == ">") && before == '=' && !relop_byte(before2))) {
        const char op = token == "=" ? after : token[0];
        return en ? fmt::format("there is no operator ={0}: write {0}=", op)
                  : fmt::format("「={0}」という演算子はありません。「{0}=」と書いてください", op);
    }
    if (token == ">" && before == '<')
        return en ? "there is no operator <>: write != for \"not equal\""
                  : "「<>」という演算子はありません。「等しくない」は「!=」と書いてください";
    if (token == "!")
        return en ? "\"!\" alone is no operator: write != for \"not equal\"; a condition cannot be negated, "
                    "write the opposite comparison (>= for <)"
                  : "「!」だけの演算子はありません。「等しくない」は「!=」です。条件の否定はできないので、"
                    "逆の比較（< の代わりに >=）を書いてください";
    if (token == "&" || token == "|") {
        const std::string op = token + token;
        const char *word = token == "&" ? "and" : "or";
        const char *jword = token == "&" ? "かつ" : "または";
        return en ? fmt::format("a single \"{}\" is no operator: write {} for \"{}\"", token, op, word)
                  : fmt::format("「{}」1文字の演算子はありません。「{}」は「{}」と書いてください", token, jword, op);
    }
    if (separator_before(expr, at + error.length))
        return en ? "a comma separates statements: 1,000 reads as 1 and a statement 000; write numbers "
                    "without separators (1000)"
                  : "「,」は文を区切ります。1,000 は 1 と文 000 になります。数は区切りなしで書いてください（1000）";
    if (token == "==" || token == "!=" || token == "<" || token == ">" || token == "<=" || token == ">=")
        return chained_hint(expr, at, token.size(), conv);
    return "";
}

}  // namespace

std::optional<Unread> find_unread(const std::vector<TraceStep> &steps, const std::string &expr_sjis) {
    for (const TraceStep &s : steps) {
        if (s.kind != TALV_TRACE_END || s.start >= expr_sjis.size()) continue;
        Unread u;
        u.start = s.start;
        u.length = static_cast<uint32_t>(expr_sjis.size() - s.start);
        const std::string rest = expr_sjis.substr(s.start);
        const unsigned char c = static_cast<unsigned char>(rest[0]);
        if (c == '$') {
            u.ender = Ender::Dollar;
            u.ender_sjis = "$";
            u.unread_sjis = rest.substr(1);
            if (trim(u.unread_sjis).empty()) return std::nullopt;  // a "$" that only closes the text
            return u;
        }
        u.unread_sjis = rest;
        if (is_lead(c) && rest.size() > 1) {
            u.ender_sjis = rest.substr(0, 2);
            u.ender = Ender::DoubleByte;
        } else {
            u.ender_sjis = rest.substr(0, 1);
            u.ender = c >= 0xA1 && c <= 0xDF ? Ender::Katakana : Ender::Byte;
        }
        return u;
    }
    return std::nullopt;
}

std::string unread_message(const Unread &u, Converter &conv) {
    const bool en = english();
    Unread w = u;
    // Full-width look-alikes of ASCII, as an input method types them.
    if (w.ender == Ender::DoubleByte) {
        for (std::size_t i = 0; i + 1 < w.unread_sjis.size() && is_lead(static_cast<unsigned char>(w.unread_sjis[i]));
             i += 2) {
            const char a = ascii_of(code_point(conv.to_utf8(w.unread_sjis.substr(i, 2))));
            if (!a) break;
            w.lookalike_sjis += w.unread_sjis.substr(i, 2);
            w.ascii += a;
        }
        if (!w.lookalike_sjis.empty() || code_point(conv.to_utf8(w.ender_sjis)) >= 0xFF01) w.ender = Ender::FullWidth;
    }
    const std::string ender = conv.to_utf8(w.ender_sjis);
    const std::string unread = conv.to_utf8(w.unread_sjis);
    std::string what;
    switch (w.ender) {
    case Ender::Dollar: what = en ? "at \"$\"" : "「$」で"; break;
    case Ender::FullWidth:
        what = en ? fmt::format("at the full-width character \"{}\"", ender) : fmt::format("全角文字「{}」で", ender);
        break;
    case Ender::DoubleByte:
        what = en ? fmt::format("at the double-byte character \"{}\"", ender) : fmt::format("2バイト文字「{}」で", ender);
        break;
    case Ender::Katakana:
        what = en ? fmt::format("at the single-byte katakana \"{}\"", ender) : fmt::format("半角カナ「{}」で", ender);
        break;
    case Ender::Byte:
        what = en ? fmt::format("at the byte {:02X}", static_cast<unsigned char>(w.ender_sjis[0]))
                  : fmt::format("バイト {:02X} で", static_cast<unsigned char>(w.ender_sjis[0]));
        break;
    }
    std::string why;
    if (w.ender != Ender::Dollar)
        why = en ? ": outside a text or field reference such a character ends the text"
                 : "（文字列とフィールド参照の外では、この文字が式の終わりになります）";
    std::string out = en ? fmt::format("the expression ends at byte {}, {}{}; {} is never read", u.start + 1, what,
                                       why, quoted(unread))
                         : fmt::format("式は{}バイト目の{}終わり、{}は読まれません{}", u.start + 1, what,
                                       quoted(unread), why);
    if (!w.ascii.empty())
        out += en ? fmt::format("; write {} in ASCII: {}", quoted(conv.to_utf8(w.lookalike_sjis)), w.ascii)
                  : fmt::format("。{}は ASCII の「{}」で書いてください", quoted(conv.to_utf8(w.lookalike_sjis)), w.ascii);
    return out;
}

std::string error_hint(const std::vector<TraceStep> &steps, const std::string &expr_sjis, uint32_t code,
                       Converter &conv) {
    const std::optional<Unread> unread = find_unread(steps, expr_sjis);
    for (const TraceStep &s : steps) {
        if (s.kind == TALV_TRACE_SYNTAX_ERROR) {
            // The text ended early and left the statement unfinished.
            if (unread && s.start >= unread->start) return unread_message(*unread, conv);
            return s.code == TALV_E_SYNTAX ? syntax_hint(expr_sjis, s, conv) : "";
        }
        if (s.kind == TALV_TRACE_COMPARISON && s.status >= 2 && code == TALV_E_NOT_NUMBER) {
            auto literal = [&](uint32_t at, uint32_t n) { return n > 0 && at < expr_sjis.size() && expr_sjis[at] == '\''; };
            if (literal(s.left_start, s.left_length) || literal(s.right_start, s.right_length))
                return english() ? "texts cannot be compared: a comparison reads both sides as numbers, and a text "
                                   "such as 'abc' is none; test a text with length(), first() or blank()"
                                 : "文字列は比較できません。比較は両辺を数として読むので、'abc' のような文字列は"
                                   "読めません。文字列は length()、first()、blank() で調べてください";
        }
    }
    return "";
}

std::string error_caret(const std::vector<TraceStep> &steps, const std::string &expr_sjis) {
    for (const TraceStep &s : steps)
        if (s.kind == TALV_TRACE_SYNTAX_ERROR) return underline(expr_sjis, s.start, s.length);
    return "";
}

std::string error_caret(const std::vector<TraceStep> &steps, const std::string &expr_sjis, uint32_t code,
                        Converter &conv) {
    std::string caret = error_caret(steps, expr_sjis);
    if (!caret.empty() || code != TALV_E_NOT_NUMBER || error_hint(steps, expr_sjis, code, conv).empty()) return caret;
    // The comparison of a text: underline it.
    for (const TraceStep &s : steps)
        if (s.kind == TALV_TRACE_COMPARISON && s.status >= 2) return underline(expr_sjis, s.start, s.length);
    return "";
}

std::string expression_lines(const std::string &expr_sjis, Converter &conv, const std::string &caret,
                             const std::string &hint) {
    std::string out = fmt::format("    check: {}\n", visible(display_expression(expr_sjis, conv)));
    if (!caret.empty()) out += fmt::format("           {}\n", caret);
    if (!hint.empty()) out += fmt::format("    hint: {}\n", visible(hint));
    return out;
}

}  // namespace talvhost
