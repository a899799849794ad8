#include "check/translation.h"

#include <stdexcept>

#include <fmt/format.h>

#include "talvechk.h"
#include "talvechk_messages.h"

namespace talvhost {

extern const char kEnglishCatalogue[];  // generated from resources/messages.en.txt

namespace {

constexpr int32_t kMessageBuffer = 1024;

std::string placeholder(uint32_t code) { return fmt::format("(no message for code {:08X})", code); }

Language g_language = Language::Japanese;

const std::map<std::string, std::string> &english() {
    static const std::map<std::string, std::string> table = parse_catalogue(kEnglishCatalogue);
    return table;
}

std::string fixed(const char *key) { return english().at(key); }

// "%s" takes the name, "%08X" the code, "%%" a percent sign: the library's
// own formatting, so that both languages carry the same facts.
std::string format(const std::string &tmpl, const char *name, uint32_t code) {
    std::string out;
    for (std::size_t i = 0; i < tmpl.size(); ++i) {
        if (tmpl.compare(i, 2, "%s") == 0) {
            out += name;
            ++i;
        } else if (tmpl.compare(i, 4, "%08X") == 0) {
            out += fmt::format("{:08X}", code);
            i += 3;
        } else if (tmpl.compare(i, 2, "%%") == 0) {
            out += '%';
            ++i;
        } else {
            out += tmpl[i];
        }
    }
    return out;
}

}  // namespace

void set_message_language(Language language) { g_language = language; }
Language message_language() { return g_language; }

std::optional<Language> language_named(std::string_view name) {
    if (name == "ja") return Language::Japanese;
    if (name == "en") return Language::English;
    return std::nullopt;
}

std::map<std::string, std::string> parse_catalogue(std::string_view text) {
    std::map<std::string, std::string> entries;
    long line_no = 0;
    while (!text.empty()) {
        ++line_no;
        std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        std::size_t key_end = line.find_first_of(" \t");
        std::size_t text_start = key_end == std::string_view::npos ? key_end : line.find_first_not_of(" \t", key_end);
        if (key_end == 0 || text_start == std::string_view::npos)
            throw std::invalid_argument(fmt::format("line {}: expected a key, blanks and a text", line_no));
        std::string key(line.substr(0, key_end)), value;
        for (std::size_t i = text_start; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == 'n' || line[i + 1] == '\\')) {
                value += line[i + 1] == 'n' ? '\n' : '\\';
                ++i;
            } else {
                value += line[i];
            }
        }
        if (!entries.emplace(key, value).second)
            throw std::invalid_argument(fmt::format("line {}: key {} given twice", line_no, key));
    }
    return entries;
}

bool message_known(uint32_t code) {
    return code == 0 || code == 8 || english().count(std::to_string(code & 0xFFFFu)) > 0;
}

std::string english_message(uint32_t code, const char *name) {
    if (code == 0) return fixed("normal_end");
    if (code == 8) return fixed("memory_shortage");
    auto it = english().find(std::to_string(code & 0xFFFFu));
    if (it == english().end()) return fixed("unexpected_error");
    if (name == nullptr) return format(it->second, "", code);
    // A record's message formats only where it takes a name; any other text
    // stands as loaded, "%08X" and all, as the library gives it.
    return talv_message_takes_name(code) ? format(it->second, name, code) : it->second;
}

std::string library_message(Converter &conv, uint32_t code) {
    if (message_language() == Language::English) return english_message(code, nullptr);
    char buf[kMessageBuffer];
    if (!Get_PPR_Message(code, buf, kMessageBuffer)) return placeholder(code);
    buf[kMessageBuffer - 1] = '\0';
    return conv.to_utf8(buf);
}

std::string record_message(Converter &conv, const PPR_CERTIFY_RESULT &record) {
    if (message_language() == Language::English) {
        std::string name(record.text, strnlen(record.text, sizeof record.text));
        return english_message(record.code, conv.to_utf8(name).c_str());
    }
    char buf[kMessageBuffer];
    if (!Get_PPRPT_Message(&record, buf, kMessageBuffer)) return placeholder(record.code);
    buf[kMessageBuffer - 1] = '\0';
    return conv.to_utf8(buf);
}

std::string hex_code(uint32_t code) { return fmt::format("{:08X}", code); }

std::string code_words(uint32_t out, uint32_t ret) {
    return ret != 0 ? fmt::format("{}, return {}", hex_code(out), hex_code(ret)) : hex_code(out);
}

}  // namespace talvhost
