// Text conversion between the user's files (UTF-8 or CP932) and the
// library, which reads CP932 only.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace talvhost {

enum class Encoding { Utf8, Cp932 };

// A text that cannot be converted; offset is the byte offset of the fault
// within the text handed in.
class TextError : public std::runtime_error {
public:
    TextError(std::size_t offset, const std::string &what) : std::runtime_error(what), offset(offset) {}
    std::size_t offset;
};

// Converts by the tables generated at build time (cp932_table.h), the
// characters that Unicode keeps apart but CP932 does not decided here.
class Converter {
public:
    // UTF-8 to CP932.  Throws TextError on malformed UTF-8, a NUL, or a
    // character CP932 cannot hold.
    std::string to_cp932(std::string_view utf8);

    // Checks CP932 bytes; throws TextError at the first invalid sequence or
    // at a NUL.
    void check_cp932(std::string_view sjis);

    // CP932 to UTF-8 for display; bytes that do not decode (a message cut
    // inside a two-byte character, say) become U+FFFD.
    std::string to_utf8(std::string_view sjis);

    // Text in `from` to CP932, validated either way.
    std::string import(std::string_view text, Encoding from) {
        if (from == Encoding::Utf8) return to_cp932(text);
        check_cp932(text);
        return std::string(text);
    }
};

bool is_ascii(std::string_view text);

// UTF-8 text made safe to print: bytes that are no UTF-8 and control
// characters (NUL among them) are shown as \xHH (\n, \r and \t by name,
// C1 controls as \u0085), so that input can neither be garbled nor steer a
// terminal.  Everything else is kept as it is.
std::string visible(std::string_view text);

// Writes the UTF-8 bytes of a code point (at most 4) and returns how many.
std::size_t put_utf8(char32_t cp, char *out);
// Appends the UTF-8 bytes of a code point.
void append_utf8(char32_t cp, std::string &out);

// Decodes one UTF-8 sequence at text[pos]; returns its length and sets cp,
// or 0 when the bytes there are not well-formed UTF-8.
std::size_t decode_utf8(std::string_view text, std::size_t pos, char32_t &cp);

}  // namespace talvhost
