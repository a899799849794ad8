// The form definition: the fields of one form, with what the host callbacks
// hand the library for each, and the check expressions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "input/encoding.h"

namespace talvhost {

struct FieldDef {
    std::string name;        // as written in the definition (UTF-8)
    std::string sjis_name;   // what the library sees
    std::string label;       // free text for people
    std::string type = "HAND_ANK";
    std::string class_spec;  // CP932
    int32_t attr = 0;        // "length": the attribute word
    bool excluded = false;   // on the list of fields checks may not reference
    std::optional<std::string> check;       // UTF-8, as written
    std::string sjis_check;                 // CP932
};

// Lets the callbacks look names up without making a string of each.
struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
using NameIndex = std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>>;

struct Form {
    std::string path;
    std::string title;
    std::vector<FieldDef> fields;
    NameIndex by_sjis_name;
    std::unordered_map<std::string, std::size_t> by_name;

    std::optional<std::size_t> find(const std::string &utf8_name) const {
        auto it = by_name.find(utf8_name);
        if (it == by_name.end()) return std::nullopt;
        return it->second;
    }
    std::size_t check_count() const;
};

// Reads and validates a definition; throws InputError naming the file and
// the line and column (syntax) or the field (content) at fault.
Form load_form(const std::string &path, Converter &conv);

// The same from text already in memory (path only names it in messages).
Form parse_form(const std::string &text, const std::string &path, Converter &conv);

// A definition's text as load_form reads it, with its size limit.
std::string read_form_file(const std::string &path);

// Reads a whole file; throws InputError when it cannot.
std::string read_file(const std::string &path);

}  // namespace talvhost
