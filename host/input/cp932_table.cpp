#include "input/cp932_table.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

extern const uint32_t talv_cp932_decode[][2];
extern const std::size_t talv_cp932_decode_size;
extern const uint32_t talv_cp932_encode[][2];
extern const std::size_t talv_cp932_encode_size;

namespace talvhost::cp932 {

namespace {

// The generated tables are sorted pairs; these flat ones answer in one step.
// Every CP932 character lies in the Basic Multilingual Plane, so 16 bits
// hold either side, and 0 stands for none.
struct Flat {
    std::vector<uint16_t> to_cp = std::vector<uint16_t>(0x10000), to_code = std::vector<uint16_t>(0x10000);
    Flat() {
        for (std::size_t i = 0; i < talv_cp932_decode_size; ++i)
            if (talv_cp932_decode[i][1] <= 0xFFFF) to_cp[talv_cp932_decode[i][0]] = static_cast<uint16_t>(talv_cp932_decode[i][1]);
        for (std::size_t i = 0; i < talv_cp932_encode_size; ++i)
            if (talv_cp932_encode[i][0] <= 0xFFFF) to_code[talv_cp932_encode[i][0]] = static_cast<uint16_t>(talv_cp932_encode[i][1]);
    }
};

const Flat &flat() {
    static const Flat tables;
    return tables;
}

// Looks a key up in a generated table (sorted by key).
bool look_up(const uint32_t (*table)[2], std::size_t size, uint32_t key, uint32_t &value) {
    const uint32_t(*end)[2] = table + size;
    const uint32_t(*hit)[2] = std::lower_bound(table, end, key, [](const uint32_t(&e)[2], uint32_t k) { return e[0] < k; });
    if (hit == end || (*hit)[0] != key) return false;
    value = (*hit)[1];
    return true;
}

}  // namespace

bool is_lead_byte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

bool decode(unsigned code, char32_t &cp) {
    if (code > 0xFFFF) return false;
    uint16_t v = flat().to_cp[code];
    if (v != 0) {
        cp = v;
        return true;
    }
    uint32_t wide = 0;
    if (!look_up(talv_cp932_decode, talv_cp932_decode_size, code, wide)) return false;
    cp = wide;
    return true;
}

bool encode(char32_t cp, unsigned &code) {
    if (cp <= 0xFFFF) {
        code = flat().to_code[cp];
        return code != 0;
    }
    uint32_t found = 0;
    if (!look_up(talv_cp932_encode, talv_cp932_encode_size, cp, found)) return false;
    code = found;
    return true;
}

}  // namespace talvhost::cp932
