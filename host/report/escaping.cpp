#include "report/escaping.h"

#include <fmt/format.h>

#include "input/encoding.h"

namespace talvhost {

std::string visible_lines(std::string_view text) {
    std::string out;
    for (;;) {
        std::size_t nl = text.find('\n');
        out += visible(text.substr(0, nl));
        if (nl == std::string_view::npos) return out;
        out += '\n';
        text.remove_prefix(nl + 1);
    }
}

std::string json_text(const nlohmann::ordered_json &j) {
    std::string text = j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    // Outside its strings a JSON text is ASCII, so a byte of these is always
    // inside a string, where an escape means the same character.
    std::size_t i = 0;
    while (i < text.size() && text[i] != '\x7F' && text[i] != '\xC2') ++i;
    if (i == text.size()) return text;
    std::string out = text.substr(0, i);
    for (; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c == 0x7F) {
            out += "\\u007f";
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            out += fmt::format("\\u{:04x}", static_cast<unsigned>(next));
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string formula_guarded(std::string text) {
    if (text.empty() || std::string_view("=+-@\t\r").find(text[0]) == std::string_view::npos) return text;
    // A signed number is read as that number, which is what it says.
    std::size_t i = 1, digits = 0, points = 0;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9') ++digits;
        else if (text[i] == '.' && ++points == 1) continue;
        else break;
    }
    bool number = (text[0] == '-' || text[0] == '+') && i == text.size() && digits > 0 && text.back() != '.';
    return number ? text : "'" + text;
}

}  // namespace talvhost
