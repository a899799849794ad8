#include "argument_roles.h"

#include <algorithm>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "input/diagnostics.h"
#include "input/json_limits.h"
#include "input/line_source.h"

namespace talvhost {

namespace {

constexpr std::size_t kLookAt = 64u << 10;
constexpr std::size_t kFormLimit = 16u << 20;  // as a form definition may be
constexpr const char *kOrder = "give the form first and the results second: talvechk check FORM RESULTS";

std::optional<nlohmann::json> json_of(std::string_view text) {
    try {
        return parse_json_limited(text, 16);
    } catch (...) {
        return std::nullopt;
    }
}

bool is_form_object(const nlohmann::json &j) {
    return j.is_object() && j.contains("fields") && j["fields"].is_array();
}

// The first non-blank lines of a file, at most `count`.
// Only the file's first bytes are looked at: a device such as /dev/zero
// has no line end to wait for.
std::vector<std::string> first_lines(const std::string &path, std::size_t count) {
    LineSource src(path, kLookAt);
    std::string_view head = src.head(kLookAt * (count + 1));
    std::vector<std::string> lines;
    while (lines.size() < count && !head.empty()) {
        std::size_t nl = head.find('\n');
        std::string_view text = head.substr(0, std::min(nl, kLookAt));
        head.remove_prefix(nl == std::string_view::npos ? head.size() : nl + 1);
        if (!text.empty() && text.back() == '\r' && text.size() < kLookAt) text.remove_suffix(1);
        if (text.find_first_not_of(" \t\r") != std::string_view::npos) lines.emplace_back(text);
    }
    return lines;
}

std::string first_line(const std::string &path) {
    std::vector<std::string> lines = first_lines(path, 1);
    return lines.empty() ? std::string() : lines.front();
}

bool ends_with(const std::string &s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::optional<std::string> form_given_as_results(const std::string &path, const Form &form) {
    if (path == "-" || form.find("fields")) return std::nullopt;
    std::string line;
    try {
        line = first_line(path);
    } catch (const InputError &) {
        return std::nullopt;  // the reader says what is wrong with it
    }
    if (line.find_first_not_of(" \t\xEF\xBB\xBF") == std::string::npos || line[line.find_first_not_of(" \t\xEF\xBB\xBF")] != '{')
        return std::nullopt;
    std::optional<nlohmann::json> j = json_of(line);
    if (!j) {
        // A definition written over many lines.
        try {
            j = json_of(read_whole_file(path, kFormLimit));
        } catch (const InputError &) {
            return std::nullopt;
        }
    }
    if (!j || !is_form_object(*j)) return std::nullopt;
    return fmt::format("{}: this is a form definition (a JSON object with a \"fields\" array), not recognition "
                       "results; {}",
                       path, kOrder);
}

std::optional<std::string> results_given_as_form(const std::string &path) {
    std::vector<std::string> lines;
    try {
        lines = first_lines(path, 2);
    } catch (const InputError &) {
        return std::nullopt;
    }
    if (lines.empty()) return std::nullopt;
    const std::string &line = lines.front();
    std::optional<nlohmann::json> j = json_of(line);
    // A one-line object is a form gone wrong as likely as results, unless the
    // name says JSON Lines or a second object follows.
    auto second_object = [&] {
        std::optional<nlohmann::json> next = lines.size() > 1 ? json_of(lines[1]) : std::nullopt;
        return next && next->is_object();
    };
    if (j && j->is_object() && !j->contains("fields") &&
        (ends_with(path, ".jsonl") || ends_with(path, ".ndjson") || second_object()))
        return fmt::format("{}: this looks like recognition results (a JSON object of field names on its first "
                           "line), not a form definition (a JSON object with a \"fields\" array); {}",
                           path, kOrder);
    if (!j && line.front() != '{' && line.front() != '[' &&
        (ends_with(path, ".csv") || line.find_first_of(",;\t") != std::string::npos))
        return fmt::format("{}: this looks like recognition results (a CSV header on its first line), not a form "
                           "definition (a JSON object with a \"fields\" array); {}",
                           path, kOrder);
    return std::nullopt;
}

}  // namespace talvhost
