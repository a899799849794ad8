// Full-width normalisation of Shift-JIS text (to_sjis_code, StrNormal).
#include "values/fullwidth.h"

#include <cstring>

#include "talvechk.h"

namespace talv {
namespace {

constexpr unsigned char kFirstTableByte = 0x20;
constexpr unsigned char kVoicedMark = 0xDE;
constexpr unsigned char kSemiVoicedMark = 0xDF;
constexpr unsigned char kVuTrail = 0x94;  // 0x8394: u with the voiced mark

// Shift-JIS code of the full-width counterpart of each byte 0x20..0xDF.  The
// lead bytes 0x7F..0x9F never reach the table; 0xA0 deliberately yields two
// NUL bytes, which ends the normalised text; the two sound marks are merged
// into the preceding kana before the table is consulted.
constexpr uint16_t kFullWidth[192] = {
    // 0x20
    0x8140, 0x8149, 0x818D, 0x8194, 0x8190, 0x8193, 0x8195, 0x818C,
    0x8169, 0x816A, 0x8196, 0x817B, 0x8143, 0x817C, 0x8144, 0x815E,
    // 0x30
    0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256,
    0x8257, 0x8258, 0x8146, 0x8147, 0x8171, 0x8181, 0x8172, 0x8148,
    // 0x40
    0x8197, 0x8260, 0x8261, 0x8262, 0x8263, 0x8264, 0x8265, 0x8266,
    0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E,
    // 0x50
    0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276,
    0x8277, 0x8278, 0x8279, 0x816B, 0x818F, 0x816C, 0x814F, 0x8151,
    // 0x60
    0x8165, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287,
    0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F,
    // 0x70
    0x8290, 0x8291, 0x8292, 0x8293, 0x8294, 0x8295, 0x8296, 0x8297,
    0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8150, 0x0000,
    // 0x80
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0x90
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0xA0
    0x0000, 0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340,
    0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362,
    // 0xB0
    0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C,
    0x834E, 0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C,
    // 0xC0
    0x835E, 0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B,
    0x836C, 0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D,
    // 0xD0
    0x837E, 0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389,
    0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,
};
static_assert(sizeof kFullWidth / sizeof kFullWidth[0] == 0xE0 - kFirstTableByte);

// Kana whose full-width form takes the voiced mark by adding 1 to its trail
// byte (ka..to, ha..ho), and the semi-voiced mark by adding 2 (ha..ho).
constexpr bool takes_voiced_mark(unsigned char b) { return (b >= 0xB6 && b <= 0xC4) || (b >= 0xCA && b <= 0xCE); }
constexpr bool takes_semi_voiced_mark(unsigned char b) { return b >= 0xCA && b <= 0xCE; }
constexpr unsigned char kHalfWidthU = 0xB3;

}  // namespace

uint16_t full_width_code(unsigned char b) {
    if (b < kFirstTableByte || b > kSemiVoicedMark) return 0;
    return kFullWidth[b - kFirstTableByte];
}

uint32_t normalise_full_width(const char *src, std::size_t src_size, char *dst) {
    std::size_t in = 0;
    if (src == nullptr) src_size = 0;
    return normalise_full_width_from(src, src_size, in, dst, 0);
}

uint32_t normalise_full_width_from(const char *src, std::size_t src_size, std::size_t &from, char *dst,
                                   std::size_t out) {
    std::size_t in = from;
    // The single byte converted just before the current one; 0 when a mark
    // has nothing to merge with.
    unsigned char previous = 0;
    uint32_t result = 0;
    while (in < src_size && src[in] != '\0' && out < kFullWidthMax) {
        const unsigned char b = static_cast<unsigned char>(src[in]);
        if (b >= kFirstTableByte && b < 0x7F) {  // the common case first: printable ASCII
            put_wide(dst + out, kFullWidth[b - kFirstTableByte]);
            out += 2;
            ++in;
            previous = b;
            continue;
        }
        if (is_lead_byte(b)) {
            // A lead byte without its trail byte (at the terminator or the end
            // of the source storage) is dropped rather than read past.
            if (in + 1 >= src_size || src[in + 1] == '\0') break;
            dst[out++] = src[in];
            dst[out++] = src[in + 1];
            in += 2;
            previous = 0;
            continue;
        }
        if (b == kVoicedMark) {
            if (takes_voiced_mark(previous))
                ++dst[out - 1];
            else if (previous == kHalfWidthU)
                dst[out - 1] = static_cast<char>(kVuTrail);
        } else if (b == kSemiVoicedMark) {
            if (takes_semi_voiced_mark(previous)) dst[out - 1] = static_cast<char>(dst[out - 1] + 2);
        } else if (b < kFirstTableByte) {
            result = TALV_I_BAD_CHARACTER;
            break;
        } else {
            put_wide(dst + out, kFullWidth[b - kFirstTableByte]);
            out += 2;
            ++in;
            previous = b;
            continue;
        }
        ++in;
        previous = 0;  // a mark never merges twice
    }
    dst[out] = '\0';
    from = in;
    return result;
}

}  // namespace talv

extern "C" {

uint32_t to_sjis_code(const char *src, char *dst) {
    if (dst == nullptr) return 0;
    return talv::normalise_full_width(src, SIZE_MAX, dst);
}

uint32_t StrNormal(const char *src, Symbol *sym) {
    if (sym == nullptr) return 0;
    // Through a buffer of its own: the source may be the Symbol's own text.
    char normalised[talv::kFullWidthBuffer];
    const uint32_t result = talv::normalise_full_width(src, SIZE_MAX, normalised);
    std::memcpy(sym->text, normalised, std::strlen(normalised) + 1);
    sym->kind = TALV_STRING;
    return result;
}

}  // extern "C"
