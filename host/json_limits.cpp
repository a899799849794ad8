#include "json_limits.h"

#include <iterator>
#include <unordered_set>
#include <vector>

#include <fmt/format.h>

#include "encoding.h"

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

}  // namespace

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
        std::string what = e.what();
        // Keep the parser's explanation, drop its own position prefix.
        if (auto p = what.find("syntax error"); p != std::string::npos) what = what.substr(p);
        throw JsonFault(JsonFault::Kind::Syntax, e.byte > 0 ? e.byte - 1 : 0, what);
    }
}

}  // namespace talvhost
