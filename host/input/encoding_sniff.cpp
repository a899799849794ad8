#include "input/encoding_sniff.h"

#include <fmt/format.h>

namespace talvhost {

std::size_t first_bad_utf8(std::string_view text) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = byte(i);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t n = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        if (n == 0 || i + n > text.size()) return i;
        unsigned char lo = 0x80, hi = 0xBF;  // the second byte's range
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
        if (byte(i + 1) < lo || byte(i + 1) > hi) return i;
        for (std::size_t k = 2; k < n; ++k)
            if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return i;
        i += n;
    }
    return std::string_view::npos;
}

namespace {

// Characters of more than one byte in text that is well-formed in `in`.
std::size_t wide_characters(std::string_view text, Encoding in) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (in == Encoding::Utf8) {
            count += c >= 0xC2 ? 1 : 0;
        } else if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
            ++count;
            ++i;
        }
    }
    return count;
}

}  // namespace

std::optional<InputError> wrong_encoding(std::string_view head, bool whole, Encoding chosen, const std::string &path,
                                         Converter &conv) {
    // A cut head may end inside a character: look at whole lines only.
    if (!whole) {
        std::size_t nl = head.rfind('\n');
        head = nl == std::string_view::npos ? std::string_view() : head.substr(0, nl + 1);
    }
    const bool bom = head.substr(0, 3) == "\xEF\xBB\xBF";
    if (bom) head.remove_prefix(3);
    std::size_t bad_utf8 = first_bad_utf8(head), bad_cp932 = std::string_view::npos;
    // The mark says more than any count of characters: in CP932 its bytes
    // are no text, and only a UTF-8 writer puts them first.
    if (bom && chosen == Encoding::Cp932 && bad_utf8 == std::string_view::npos)
        return InputError(Place{path, 1, 1, {}},
                          "the file is no CP932 (bytes EF BB BF): it begins with the byte-order mark of UTF-8 and "
                          "reads as UTF-8, its likely encoding: give --encoding utf8; nothing was checked");
    try {
        conv.check_cp932(head);
    } catch (const TextError &e) {
        bad_cp932 = e.offset;
    }
    std::size_t bad = chosen == Encoding::Utf8 ? bad_utf8 : bad_cp932;
    std::size_t other = chosen == Encoding::Utf8 ? bad_cp932 : bad_utf8;
    if (bad == std::string_view::npos || other != std::string_view::npos) return std::nullopt;
    // A stray byte or two (a cut character, a half-width kana) is a fault of
    // its form, not of the file's encoding: the other one must read as text.
    if (wide_characters(head, chosen == Encoding::Utf8 ? Encoding::Cp932 : Encoding::Utf8) < 2) return std::nullopt;
    long line = 1, column = 1;
    for (std::size_t i = 0; i < bad; ++i) {
        if (head[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    std::string bytes;
    for (std::size_t i = bad; i < head.size() && i < bad + 2; ++i)
        bytes += fmt::format("{}{:02X}", i > bad ? " " : "", static_cast<unsigned char>(head[i]));
    bool utf8 = chosen == Encoding::Utf8;
    return InputError(Place{path, line, column, {}},
                      fmt::format("the file is no {} (bytes {}) but reads as {}: give --encoding {}; nothing was "
                                  "checked",
                                  utf8 ? "UTF-8" : "CP932", bytes, utf8 ? "CP932" : "UTF-8", utf8 ? "cp932" : "utf8"));
}

}  // namespace talvhost
