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
    enum class Kind { Syntax, TooDeep, RepeatedKey };
    JsonFault(Kind kind, std::size_t offset, const std::string &what, std::string key = {}, int depth = 0)
        : std::runtime_error(what), kind(kind), offset(offset), key(std::move(key)), depth(depth) {}
    Kind kind;
    std::size_t offset;  // 0-based byte of the text where it was seen
    std::string key;     // RepeatedKey: the key
    int depth;           // RepeatedKey: 1 for a key of the outermost object
};

// Throws JsonFault for malformed text too (what: the parser's explanation).
nlohmann::json parse_json_limited(std::string_view text, int max_depth);

}  // namespace talvhost
