#include "argument_roles.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "diagnostics.h"
#include "json_limits.h"
#include "line_source.h"

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

std::string first_line(const std::string &path) {
    LineSource src(path, kLookAt);
    SourceLine line;
    while (src.next(line))
        if (line.text.find_first_not_of(" \t\r") != std::string_view::npos) return std::string(line.text);
    return {};
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
    std::string line;
    try {
        line = first_line(path);
    } catch (const InputError &) {
        return std::nullopt;
    }
    if (line.empty()) return std::nullopt;
    std::optional<nlohmann::json> j = json_of(line);
    if (j && j->is_object() && !j->contains("fields"))
        return fmt::format("{}: this looks like recognition results (a JSON object of field names on its first "
                           "line), not a form definition (a JSON object with a \"fields\" array); {}",
                           path, kOrder);
    if (!j && line.front() != '{' && line.front() != '[' && line.find_first_of(",;\t") != std::string::npos)
        return fmt::format("{}: this looks like recognition results (a CSV header on its first line), not a form "
                           "definition (a JSON object with a \"fields\" array); {}",
                           path, kOrder);
    return std::nullopt;
}

}  // namespace talvhost
