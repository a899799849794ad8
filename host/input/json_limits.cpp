#include "input/json_limits.h"

#include <algorithm>
#include <iterator>
#include <unordered_set>
#include <vector>

#include <fmt/format.h>

#include "input/encoding.h"

namespace talvhost {

namespace {

// Lets the parser's callback know how far the parser has read.
struct CountingIterator {
    using iterator_category = std::forward_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char *;
    using reference = const char &;

    const char *at = nullptr;
    const char **mark = nullptr;

    reference operator*() const { return *at; }
    CountingIterator &operator++() {
        ++at;
        if (mark) *mark = at;
        return *this;
    }
    CountingIterator operator++(int) {
        CountingIterator old = *this;
        ++*this;
        return old;
    }
    bool operator==(const CountingIterator &other) const { return at == other.at; }
    bool operator!=(const CountingIterator &other) const { return at != other.at; }
};

// The opening quote of the key whose end the parser has just read.
std::size_t key_start(std::string_view text, std::size_t read_to) {
    std::size_t p = std::min(read_to, text.size());
    while (p > 0 && text[p - 1] != '"') --p;  // past the closing quote
    if (p > 0) --p;
    while (p > 0) {
        --p;
        if (text[p] != '"') continue;
        std::size_t backslashes = 0;
        while (p >= backslashes + 1 && text[p - backslashes - 1] == '\\') ++backslashes;
        if (backslashes % 2 == 0) break;
    }
    return p;
}

bool is_number_byte(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// The parser's token names, as a reader of the file would say them.
std::string token_words(std::string token) {
    static const std::pair<const char *, const char *> kWords[] = {
        {"string literal", "a text in double quotes"},
        {"number literal", "a number"},
        {"true literal", "true"},
        {"false literal", "false"},
        {"null literal", "null"},
        {"end of input", "the end of the text"},
        {"'[', '{', or a literal", "a value"},
        {"<parse error>", "something unreadable"},
        {"<uninitialized>", "nothing"}};
    for (auto [name, words] : kWords)
        if (token == name) return words;
    return token;  // a punctuation mark, quoted
}

}  // namespace

// The parser's own wording is its authors', with its internal names in it:
// the user is told what is wrong with the text in words of the text.
std::string syntax_in_words(const std::string &what) {
    static const std::pair<const char *, const char *> kLexer[] = {
        {"missing closing quote", "a text without its closing double quote"},
        {"'\\u' must be followed by 4 hex digits", "\\u not followed by four hexadecimal digits"},
        {"surrogate U+D", "a \\u escape of half a character (a lone surrogate)"},
        {"forbidden character after backslash",
         "a backslash that begins no escape (\\\" \\\\ \\/ \\b \\f \\n \\r \\t \\uXXXX)"},
        {"ill-formed UTF-8 byte", "a byte that is not UTF-8"},
        {"invalid number", "a malformed number"},
        {"invalid literal", "a word that is no JSON value (a value is \"text\", a number, true, false or null)"},
        {"invalid BOM", "a broken byte-order mark"},
        {"invalid comment", "a comment (JSON has none)"}};
    if (auto p = what.find("control character U+"); p != std::string::npos)
        return fmt::format("a control character ({}) inside a text: it must be written as an escape",
                           what.substr(p + 18, 6));
    for (auto [said, words] : kLexer)
        if (what.find(said) != std::string::npos) return words;
    // "unexpected X; expected Y", the X and Y being token names.
    if (auto p = what.find("unexpected "); p != std::string::npos) {
        std::string rest = what.substr(p + 11);
        std::size_t semi = rest.find("; expected ");
        std::string got = rest.substr(0, semi);
        if (semi == std::string::npos) return fmt::format("{} where it cannot stand", token_words(got));
        return fmt::format("{} where {} should be", token_words(got), token_words(rest.substr(semi + 11)));
    }
    return "the text is not JSON";
}

nlohmann::json parse_json_limited(std::string_view text, int max_depth) {
    using nlohmann::json;
    const char *begin = text.data(), *read_to = begin;
    // One set of keys per open object; arrays hold none.
    std::vector<std::unordered_set<std::string>> keys;
    std::vector<bool> is_object;
    auto offset = [&] { return static_cast<std::size_t>(read_to - begin); };
    json::parser_callback_t watch = [&](int, json::parse_event_t event, json &parsed) {
        switch (event) {
        case json::parse_event_t::object_start:
        case json::parse_event_t::array_start:
            if (static_cast<int>(is_object.size()) >= max_depth)
                throw JsonFault(JsonFault::Kind::TooDeep, offset() - 1,
                                fmt::format("nesting deeper than {} levels", max_depth));
            is_object.push_back(event == json::parse_event_t::object_start);
            if (is_object.back()) keys.emplace_back();
            break;
        case json::parse_event_t::object_end:
        case json::parse_event_t::array_end:
            if (!is_object.empty()) {
                if (is_object.back()) keys.pop_back();
                is_object.pop_back();
            }
            break;
        case json::parse_event_t::key:
            if (!keys.empty() && parsed.is_string()) {
                const std::string &key = parsed.get_ref<const std::string &>();
                if (!keys.back().insert(key).second)
                    throw JsonFault(JsonFault::Kind::RepeatedKey, key_start(text, offset()),
                                    fmt::format("key \"{}\" given twice in one object", visible(key)), key,
                                    static_cast<int>(keys.size()));
            }
            break;
        case json::parse_event_t::value:
            break;
        }
        return true;
    };
    try {
        CountingIterator first{begin, &read_to}, last{begin + text.size(), nullptr};
        return json::parse(first, last, watch);
    } catch (const json::parse_error &e) {
        throw JsonFault(JsonFault::Kind::Syntax, e.byte > 0 ? e.byte - 1 : 0, syntax_in_words(e.what()));
    } catch (const json::out_of_range &e) {
        // A number beyond a double: the parser has read it and one byte more.
        std::size_t end = std::min(offset(), text.size());
        while (end > 0 && !is_number_byte(text[end - 1])) --end;
        std::size_t start = end;
        while (start > 0 && is_number_byte(text[start - 1])) --start;
        std::string number(text.substr(start, std::min<std::size_t>(end - start, 40)));
        throw JsonFault(JsonFault::Kind::Number, start,
                        fmt::format("the number {}{} is out of range", visible(number), end - start > 40 ? "…" : ""));
    } catch (const json::exception &) {
        // Nothing else is known to come out of the parser; whatever does
        // is still this text's fault and costs no more than the text.
        throw JsonFault(JsonFault::Kind::Syntax, offset(), "a value that cannot be read");
    }
}

}  // namespace talvhost
