#include "values/fresh_read.h"

namespace talv {

FreshRead g_fresh_read;
uint32_t g_read_request = 0;
bool g_read_armed = false;

namespace {
constexpr std::size_t kMostDigits = 19;
constexpr unsigned char kWideDigitLead = 0x82, kWideZeroTrail = 0x4F;
}  // namespace

void note_fresh_read(const char *recognised, std::size_t size, const Symbol *made) {
    g_fresh_read.sym = nullptr;
    const auto *p = reinterpret_cast<const unsigned char *>(recognised);
    uint64_t value = 0;
    std::size_t digits = 0, at = 0;
    if (size > 0 && p[0] == kWideDigitLead) {  // full-width digits
        for (; at + 1 < size && p[at] == kWideDigitLead && static_cast<unsigned>(p[at + 1] - kWideZeroTrail) < 10u; at += 2) {
            if (++digits > kMostDigits) return;
            value = value * 10 + (p[at + 1] - kWideZeroTrail);
        }
    } else {
        for (; at < size && static_cast<unsigned>(p[at] - '0') < 10u; ++at) {
            if (++digits > kMostDigits) return;
            value = value * 10 + (p[at] - '0');
        }
    }
    if (digits == 0 || at >= size || p[at] != '\0') return;
    g_fresh_read.sym = made;
    g_fresh_read.request = g_read_request;
    g_fresh_read.value = value;
}

}  // namespace talv
