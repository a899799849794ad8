#include "input/encoding.h"

#include <fmt/format.h>

#include "input/cp932_table.h"

namespace talvhost {

namespace {

// Characters that Unicode keeps apart but CP932 does not.  The library reads
// 0x5C as the yen sign, so both the backslash and U+00A5 must arrive there;
// the others are the pairs that differ between the JIS and the Microsoft
// tables (a text typed on one platform must read the same as on the other).
// Decided here rather than left to the tables, which iconv implementations
// make differently.
struct Alias {
    char32_t cp;
    const char *sjis;
};
constexpr Alias kAliases[] = {
    {0x00A5, "\x5C"},      // YEN SIGN -> the library's yen sign
    {0x203E, "\x7E"},      // OVERLINE (JIS X 0201 0x7E)
    {0x301C, "\x81\x60"},  // WAVE DASH, same as U+FF5E
    {0xFF5E, "\x81\x60"},  // FULLWIDTH TILDE
    {0x2016, "\x81\x61"},  // DOUBLE VERTICAL LINE, same as U+2225
    {0x2225, "\x81\x61"},
    {0x2212, "\x81\x7C"},  // MINUS SIGN, same as U+FF0D
    {0xFF0D, "\x81\x7C"},
    {0x2014, "\x81\x5C"},  // EM DASH, same as U+2015
    {0x2015, "\x81\x5C"},
    {0x00A2, "\x81\x91"},  // CENT SIGN, same as U+FFE0
    {0xFFE0, "\x81\x91"},
    {0x00A3, "\x81\x92"},  // POUND SIGN, same as U+FFE1
    {0xFFE1, "\x81\x92"},
    {0x00AC, "\x81\xCA"},  // NOT SIGN, same as U+FFE2
    {0xFFE2, "\x81\xCA"},
};

using cp932::is_lead_byte;

void append_code(unsigned code, std::string &out) {
    if (code > 0xFF) out += static_cast<char>(code >> 8);
    out += static_cast<char>(code);
}


// The CP932 bytes of a code point, the aliases first; throws when it has none.
void append_cp932(char32_t cp, std::size_t offset, std::string &out) {
    // Kana and kanji, most of what is typed, are no look-alikes.
    if (cp < 0x3040 || cp >= 0xFF00)
        for (const Alias &a : kAliases)
            if (a.cp == cp) {
                out += a.sjis;
                return;
            }
    unsigned code = 0;
    if (!cp932::encode(cp, code))
        throw TextError(offset, fmt::format("character U+{:04X} has no CP932 code", static_cast<unsigned>(cp)));
    append_code(code, out);
}

std::string hex_bytes(std::string_view text, std::size_t pos, std::size_t n) {
    std::string out;
    for (std::size_t i = pos; i < pos + n && i < text.size(); ++i) {
        out += fmt::format("{}{:02X}", out.empty() ? "" : " ", static_cast<unsigned char>(text[i]));
    }
    return out;
}

}  // namespace

std::size_t put_utf8(char32_t cp, char *out) {
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    std::size_t n;
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        n = 2;
    } else if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        n = 3;
    } else {
        out[0] = static_cast<char>(0xF0 | (cp >> 18));
        out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        n = 4;
    }
    out[n - 1] = static_cast<char>(0x80 | (cp & 0x3F));
    return n;
}

void append_utf8(char32_t cp, std::string &out) {
    char bytes[4];
    out.append(bytes, put_utf8(cp, bytes));
}

bool is_ascii(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

std::string visible(std::string_view text) {
    auto plain = [](unsigned char c) { return c >= 0x20 && c < 0x7F; };
    std::size_t i = 0;
    while (i < text.size() && plain(static_cast<unsigned char>(text[i]))) ++i;
    if (i == text.size()) return std::string(text);
    std::string out(text.substr(0, i));
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (plain(c)) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        char32_t cp = 0;
        std::size_t len = c >= 0x80 ? decode_utf8(text, i, cp) : 0;
        if (len > 0 && cp >= 0xA0) {
            out.append(text.substr(i, len));
        } else if (len > 0) {
            out += fmt::format("\\u{:04X}", static_cast<unsigned>(cp));
        } else if (c == '\n' || c == '\r' || c == '\t') {
            out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
        } else {
            out += fmt::format("\\x{:02X}", c);
        }
        i += len > 0 ? len : 1;
    }
    return out;
}

std::size_t decode_utf8(std::string_view text, std::size_t pos, char32_t &cp) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char b0 = byte(pos);
    std::size_t len;
    char32_t min;
    if (b0 < 0x80) { cp = b0; return 1; }
    if (b0 >= 0xC2 && b0 <= 0xDF) { len = 2; cp = b0 & 0x1F; min = 0x80; }
    else if (b0 >= 0xE0 && b0 <= 0xEF) { len = 3; cp = b0 & 0x0F; min = 0x800; }
    else if (b0 >= 0xF0 && b0 <= 0xF4) { len = 4; cp = b0 & 0x07; min = 0x10000; }
    else return 0;
    if (pos + len > text.size()) return 0;
    for (std::size_t i = 1; i < len; ++i) {
        unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

std::string Converter::to_cp932(std::string_view utf8) {
    // Most cells are ASCII, which both encodings write alike: copied whole.
    std::size_t ascii = 0;
    while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) - 1u < 0x7Fu) ++ascii;
    if (ascii == utf8.size()) return std::string(utf8);
    std::string out(utf8.substr(0, ascii));
    out.reserve(utf8.size());
    for (std::size_t pos = ascii; pos < utf8.size();) {
        unsigned char b = static_cast<unsigned char>(utf8[pos]);
        if (b == 0) throw TextError(pos, "NUL character in text");
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++pos;
            continue;
        }
        char32_t cp;
        std::size_t len = decode_utf8(utf8, pos, cp);
        if (len == 0)
            throw TextError(pos, fmt::format("invalid UTF-8 (bytes {})", hex_bytes(utf8, pos, 4)));
        append_cp932(cp, pos, out);
        pos += len;
    }
    return out;
}

void Converter::check_cp932(std::string_view sjis) {
    for (std::size_t pos = 0; pos < sjis.size();) {
        unsigned char b = static_cast<unsigned char>(sjis[pos]);
        if (b == 0) throw TextError(pos, "NUL character in text");
        if (!is_lead_byte(b)) {
            // 0x80, 0xA0 and 0xFD..0xFF are no characters of CP932.
            if (b == 0x80 || b == 0xA0 || b >= 0xFD)
                throw TextError(pos, fmt::format("invalid CP932 (byte {:02X})", b));
            ++pos;
            continue;
        }
        if (pos + 1 >= sjis.size())
            throw TextError(pos, fmt::format("invalid CP932 (lead byte {:02X} at the end of the text)", b));
        char32_t cp;
        unsigned code = (unsigned{b} << 8) | static_cast<unsigned char>(sjis[pos + 1]);
        if (!cp932::decode(code, cp))
            throw TextError(pos, fmt::format("invalid CP932 (bytes {})", hex_bytes(sjis, pos, 2)));
        pos += 2;
    }
}

std::string Converter::to_utf8(std::string_view sjis) {
    if (is_ascii(sjis)) return std::string(sjis);
    std::string out;
    out.reserve(sjis.size() * 3 / 2 + 8);
    for (std::size_t pos = 0; pos < sjis.size();) {
        unsigned char b = static_cast<unsigned char>(sjis[pos]);
        unsigned code = b;
        std::size_t len = 1;
        if (is_lead_byte(b) && pos + 1 < sjis.size()) {
            code = (code << 8) | static_cast<unsigned char>(sjis[pos + 1]);
            len = 2;
        }
        char32_t cp = 0;
        if (b == 0 || (!(is_lead_byte(b) && len == 1) && cp932::decode(code, cp))) {
            append_utf8(cp, out);
            pos += len;
        } else {
            out += "\xEF\xBF\xBD";  // U+FFFD; the trail byte, if any, is read again on its own
            ++pos;
        }
    }
    return out;
}

}  // namespace talvhost
