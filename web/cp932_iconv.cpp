// The browser has no CP932 converter, so the page links this iconv in place
// of the C library's: the host's Converter calls it exactly as it calls the
// system's, and it converts through tables generated at build time from the
// native iconv (gen_cp932_table), so both builds read and write the same
// bytes.  Only the two directions the host opens exist.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <strings.h>

extern const uint32_t talv_cp932_decode[][2];
extern const std::size_t talv_cp932_decode_size;
extern const uint32_t talv_cp932_encode[][2];
extern const std::size_t talv_cp932_encode_size;

namespace {

int to_cp932_handle, to_utf8_handle;

bool is_lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

bool names_cp932(const char *name) { return strcasecmp(name, "CP932") == 0 || strcasecmp(name, "WINDOWS-31J") == 0; }
bool names_utf8(const char *name) { return strcasecmp(name, "UTF-8") == 0 || strcasecmp(name, "UTF8") == 0; }

// The value paired with key in a table sorted by key; false when absent.
bool look_up(const uint32_t (*table)[2], std::size_t size, uint32_t key, uint32_t &value) {
    const uint32_t(*end)[2] = table + size;
    const uint32_t(*hit)[2] = std::lower_bound(table, end, key, [](const uint32_t(&e)[2], uint32_t k) { return e[0] < k; });
    if (hit == end || (*hit)[0] != key) return false;
    value = (*hit)[1];
    return true;
}

// One character of input: its length, or 0 with errno set (EILSEQ: not a
// character; EINVAL: cut off at the end of the input).
std::size_t read_utf8(const unsigned char *p, std::size_t n, uint32_t &cp) {
    unsigned char b = p[0];
    std::size_t len;
    uint32_t min;
    if (b < 0x80) { cp = b; return 1; }
    if (b >= 0xC2 && b <= 0xDF) { len = 2; cp = b & 0x1F; min = 0x80; }
    else if (b >= 0xE0 && b <= 0xEF) { len = 3; cp = b & 0x0F; min = 0x800; }
    else if (b >= 0xF0 && b <= 0xF4) { len = 4; cp = b & 0x07; min = 0x10000; }
    else { errno = EILSEQ; return 0; }
    for (std::size_t i = 1; i < len; ++i) {
        if (i >= n) { errno = EINVAL; return 0; }
        if ((p[i] & 0xC0) != 0x80) { errno = EILSEQ; return 0; }
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) { errno = EILSEQ; return 0; }
    return len;
}

std::size_t write_utf8(uint32_t cp, unsigned char *u) {
    if (cp < 0x80) { u[0] = static_cast<unsigned char>(cp); return 1; }
    if (cp < 0x800) { u[0] = 0xC0 | (cp >> 6); u[1] = 0x80 | (cp & 0x3F); return 2; }
    if (cp < 0x10000) { u[0] = 0xE0 | (cp >> 12); u[1] = 0x80 | ((cp >> 6) & 0x3F); u[2] = 0x80 | (cp & 0x3F); return 3; }
    u[0] = 0xF0 | (cp >> 18);
    u[1] = 0x80 | ((cp >> 12) & 0x3F);
    u[2] = 0x80 | ((cp >> 6) & 0x3F);
    u[3] = 0x80 | (cp & 0x3F);
    return 4;
}

}  // namespace

extern "C" {

iconv_t iconv_open(const char *to, const char *from) {
    if (names_cp932(to) && names_utf8(from)) return &to_cp932_handle;
    if (names_utf8(to) && names_cp932(from)) return &to_utf8_handle;
    errno = EINVAL;
    return reinterpret_cast<iconv_t>(-1);
}

int iconv_close(iconv_t cd) {
    if (cd == &to_cp932_handle || cd == &to_utf8_handle) return 0;
    errno = EBADF;
    return -1;
}

// Neither direction keeps a shift state, so a reset is nothing to do.
std::size_t iconv(iconv_t cd, char **in, std::size_t *in_left, char **out, std::size_t *out_left) {
    if (cd != &to_cp932_handle && cd != &to_utf8_handle) {
        errno = EBADF;
        return static_cast<std::size_t>(-1);
    }
    if (!in || !*in) return 0;
    bool encoding = cd == &to_cp932_handle;
    while (*in_left > 0) {
        auto *p = reinterpret_cast<const unsigned char *>(*in);
        unsigned char buf[4];
        std::size_t used, made;
        uint32_t cp, code;
        if (encoding) {
            used = read_utf8(p, *in_left, cp);
            if (used == 0) return static_cast<std::size_t>(-1);
            if (!look_up(talv_cp932_encode, talv_cp932_encode_size, cp, code)) {
                errno = EILSEQ;
                return static_cast<std::size_t>(-1);
            }
            made = code > 0xFF ? 2 : 1;
            buf[0] = static_cast<unsigned char>(made == 2 ? code >> 8 : code);
            buf[1] = static_cast<unsigned char>(code);
        } else {
            used = is_lead(p[0]) ? 2 : 1;
            if (used > *in_left) {
                errno = EINVAL;
                return static_cast<std::size_t>(-1);
            }
            code = used == 2 ? (uint32_t{p[0]} << 8) | p[1] : p[0];
            if (!look_up(talv_cp932_decode, talv_cp932_decode_size, code, cp)) {
                errno = EILSEQ;
                return static_cast<std::size_t>(-1);
            }
            made = write_utf8(cp, buf);
        }
        if (made > *out_left) {
            errno = E2BIG;
            return static_cast<std::size_t>(-1);
        }
        std::memcpy(*out, buf, made);
        *out += made;
        *out_left -= made;
        *in += used;
        *in_left -= used;
    }
    return 0;
}

}  // extern "C"
