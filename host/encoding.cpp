#include "encoding.h"

#include <cerrno>
#include <fmt/format.h>

namespace talvhost {

namespace {

// Characters that Unicode keeps apart but CP932 does not.  The library reads
// 0x5C as the yen sign, so both the backslash and U+00A5 must arrive there;
// the others are the pairs that differ between the JIS and the Microsoft
// tables (a text typed on one platform must read the same as on the other).
// Decided here rather than left to iconv, whose tables differ between
// implementations.
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

bool is_lead_byte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

std::string hex_bytes(std::string_view text, std::size_t pos, std::size_t n) {
    std::string out;
    for (std::size_t i = pos; i < pos + n && i < text.size(); ++i) {
        out += fmt::format("{}{:02X}", out.empty() ? "" : " ", static_cast<unsigned char>(text[i]));
    }
    return out;
}

}  // namespace

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

Converter::Converter() {
    to_sjis_ = iconv_open("CP932", "UTF-8");
    to_utf8_ = iconv_open("UTF-8", "CP932");
    if (to_sjis_ == reinterpret_cast<iconv_t>(-1) || to_utf8_ == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv has no CP932 converter on this system");
    for (const Alias &a : kAliases) cache_.emplace(a.cp, a.sjis);
}

Converter::~Converter() {
    iconv_close(to_sjis_);
    iconv_close(to_utf8_);
}

std::string Converter::encode_code_point(char32_t cp, std::size_t offset) {
    auto hit = cache_.find(cp);
    if (hit == cache_.end()) {
        char utf8[4];
        std::size_t n = 0;
        if (cp < 0x800) {
            utf8[n++] = static_cast<char>(0xC0 | (cp >> 6));
        } else if (cp < 0x10000) {
            utf8[n++] = static_cast<char>(0xE0 | (cp >> 12));
            utf8[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        } else {
            utf8[n++] = static_cast<char>(0xF0 | (cp >> 18));
            utf8[n++] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            utf8[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        }
        utf8[n++] = static_cast<char>(0x80 | (cp & 0x3F));
        char out[8];
        char *in_p = utf8, *out_p = out;
        std::size_t in_left = n, out_left = sizeof out;
        iconv(to_sjis_, nullptr, nullptr, nullptr, nullptr);
        std::string sjis;
        if (iconv(to_sjis_, &in_p, &in_left, &out_p, &out_left) != static_cast<std::size_t>(-1) && in_left == 0)
            sjis.assign(out, static_cast<std::size_t>(out_p - out));
        hit = cache_.emplace(cp, sjis).first;
    }
    if (hit->second.empty())
        throw TextError(offset, fmt::format("character U+{:04X} has no CP932 code", static_cast<unsigned>(cp)));
    return hit->second;
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
        out += encode_code_point(cp, pos);
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
        // Ask iconv whether the pair is a character (the table has holes),
        // once per code.
        std::size_t code = (std::size_t{b} << 8) | static_cast<unsigned char>(sjis[pos + 1]);
        if (pair_known_.empty()) pair_known_.assign(0x10000, '\0');
        if (pair_known_[code] == 0) {
            char pair[2] = {sjis[pos], sjis[pos + 1]};
            char out[8];
            char *in_p = pair, *out_p = out;
            std::size_t in_left = 2, out_left = sizeof out;
            iconv(to_utf8_, nullptr, nullptr, nullptr, nullptr);
            bool ok = iconv(to_utf8_, &in_p, &in_left, &out_p, &out_left) != static_cast<std::size_t>(-1);
            pair_known_[code] = ok ? 1 : 2;
        }
        if (pair_known_[code] == 2)
            throw TextError(pos, fmt::format("invalid CP932 (bytes {})", hex_bytes(sjis, pos, 2)));
        pos += 2;
    }
}

std::string Converter::to_utf8(std::string_view sjis) {
    if (is_ascii(sjis)) return std::string(sjis);
    std::string out;
    out.reserve(sjis.size() * 3 / 2 + 8);
    std::string in(sjis);
    char *in_p = in.data();
    std::size_t in_left = in.size();
    char buf[256];
    iconv(to_utf8_, nullptr, nullptr, nullptr, nullptr);
    while (in_left > 0) {
        char *out_p = buf;
        std::size_t out_left = sizeof buf;
        std::size_t r = iconv(to_utf8_, &in_p, &in_left, &out_p, &out_left);
        out.append(buf, static_cast<std::size_t>(out_p - buf));
        if (r == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) continue;
            out += "\xEF\xBF\xBD";  // U+FFFD
            ++in_p;
            --in_left;
            iconv(to_utf8_, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

}  // namespace talvhost
