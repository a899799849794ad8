// JSON parsed with the limits that untrusted files need: a cap on nesting
// (a deep document costs memory and time out of all proportion to its size)
// and no key twice in one object (the last would silently win).
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace talvhost {

struct JsonFault : std::runtime_error {
    enum class Kind { Syntax, TooDeep, RepeatedKey, Number };
    JsonFault(Kind kind, std::size_t offset, const std::string &what, std::string key = {}, int depth = 0)
        : std::runtime_error(what), kind(kind), offset(offset), key(std::move(key)), depth(depth) {}
    Kind kind;
    std::size_t offset;  // 0-based byte of the text where it was seen
    std::string key;     // RepeatedKey: the key
    int depth;           // RepeatedKey: 1 for a key of the outermost object
};

// Throws JsonFault and nothing else for whatever the text holds: malformed
// text too (what: what is wrong, in plain words; Number: a number out of
// range, offset at its first byte).
nlohmann::json parse_json_limited(std::string_view text, int max_depth);

// The parser's explanation of a syntax error in plain words.
std::string syntax_in_words(const std::string &what);

}  // namespace talvhost
