// Full-width text: the canonical form in which every character is a two-byte
// Shift-JIS character, lead byte first.  Text tests and number reading work
// on it only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace talv {

// Most bytes a normalised text holds, and the buffer that holds it with its
// terminator.
constexpr std::size_t kFullWidthMax = 272;
constexpr std::size_t kFullWidthBuffer = kFullWidthMax + 1;

// The two-byte characters the number syntax uses (lead byte in the high half).
constexpr uint16_t kWideBlank = 0x8140;
constexpr uint16_t kWidePoint = 0x8144;
constexpr uint16_t kWidePlus = 0x817B;
constexpr uint16_t kWideMinus = 0x817C;
constexpr uint16_t kWideYen = 0x818F;
constexpr uint16_t kWideZero = 0x824F;
constexpr uint16_t kWideNine = 0x8258;

// The two-byte character at p (p[1] may be the terminator).
constexpr uint16_t wide_at(const char *p) {
    return static_cast<uint16_t>((static_cast<unsigned char>(p[0]) << 8) | static_cast<unsigned char>(p[1]));
}

constexpr void put_wide(char *p, uint16_t code) {
    p[0] = static_cast<char>(code >> 8);
    p[1] = static_cast<char>(code & 0xFF);
}

constexpr bool is_wide_digit(uint16_t code) { return code >= kWideZero && code <= kWideNine; }

// Bytes that start a two-byte character.
constexpr bool is_lead_byte(unsigned char b) { return (b >= 0x7F && b <= 0x9F) || b >= 0xE0; }

// The full-width counterpart of a single byte 0x20..0xDF; 0 outside that
// range.
uint16_t full_width_code(unsigned char b);

// to_sjis_code with a bound on the source: reading stops at the terminator
// or after src_size bytes, whichever comes first, so a Symbol's text is
// never read past its storage.  dst needs kFullWidthBuffer bytes.
uint32_t normalise_full_width(const char *src, std::size_t src_size, char *dst);

// The same from byte `in` of the source and byte `out` of dst on, as though
// the bytes before them had been normalised already and the last of them was
// no kana a sound mark could merge with.  `in` is left where reading
// stopped: at the terminator, at src_size, or at the byte that ended it.
uint32_t normalise_full_width_from(const char *src, std::size_t src_size, std::size_t &in, char *dst,
                                   std::size_t out);

}  // namespace talv
