// Numbers for the arithmetic tests: decimal text to and from the 34 groups,
// an independent big-integer view (the value times 10^32) and random
// operands of every shape the groups can hold.
#pragma once

#include <boost/multiprecision/cpp_int.hpp>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "talvechk.h"

namespace talv_test {

using boost::multiprecision::cpp_int;

struct Num {
    uint16_t g[34] = {};
    int sign = 0;
};

// "-123.45" -> groups; digits beyond 104 integer / 32 fraction are dropped.
inline Num parse_num(const std::string &text) {
    Num n;
    std::string s = text;
    if (!s.empty() && s[0] == '-') {
        n.sign = 1;
        s = s.substr(1);
    }
    std::size_t point = s.find('.');
    std::string ip = s.substr(0, point), fp = point == std::string::npos ? "" : s.substr(point + 1);
    for (std::size_t k = 0; k < ip.size(); ++k) {
        std::size_t r = ip.size() - 1 - k;
        if (r >= 104) continue;
        static const int pow10[4] = {1, 10, 100, 1000};
        n.g[25 - r / 4] = static_cast<uint16_t>(n.g[25 - r / 4] + (ip[k] - '0') * pow10[r % 4]);
    }
    for (std::size_t f = 0; f < fp.size() && f < 32; ++f) {
        static const int weight[4] = {1000, 100, 10, 1};
        n.g[26 + f / 4] = static_cast<uint16_t>(n.g[26 + f / 4] + (fp[f] - '0') * weight[f % 4]);
    }
    bool zero = true;
    for (uint16_t v : n.g) zero = zero && v == 0;
    if (zero) n.sign = 0;
    return n;
}

// Canonical text: no leading zeros, no trailing fraction zeros, "-" if negative.
inline std::string format_groups(const uint16_t *g, int sign) {
    std::string digits;
    char buf[8];
    for (int k = 0; k < 34; ++k) {
        std::snprintf(buf, sizeof buf, "%04u", static_cast<unsigned>(g[k]));
        digits += buf;
    }
    std::string ip = digits.substr(0, 104), fp = digits.substr(104);
    ip.erase(0, std::min(ip.find_first_not_of('0'), ip.size() - 1));
    fp.erase(fp.find_last_not_of('0') == std::string::npos ? 0 : fp.find_last_not_of('0') + 1);
    return (sign ? "-" : "") + ip + (fp.empty() ? "" : "." + fp);
}
inline std::string format_num(const Num &n) { return format_groups(n.g, n.sign); }

inline cpp_int magnitude_of(const uint16_t *g) {
    cpp_int v = 0;
    for (int k = 0; k < 34; ++k) v = v * 10000 + g[k];
    return v;
}
inline cpp_int value_of(const Num &n) { return n.sign ? -magnitude_of(n.g) : magnitude_of(n.g); }

// value (times 10^32) -> groups, magnitude reduced modulo 10^136.
inline Num num_of(const cpp_int &value) {
    static const cpp_int modulus = boost::multiprecision::pow(cpp_int(10), 136);
    Num n;
    cpp_int m = value < 0 ? cpp_int(-value) : value;
    m %= modulus;
    for (int k = 33; k >= 0; --k) {
        n.g[k] = static_cast<uint16_t>(static_cast<unsigned>(m % 10000));
        m /= 10000;
    }
    bool zero = true;
    for (uint16_t v : n.g) zero = zero && v == 0;
    n.sign = (value < 0 && !zero) ? 1 : 0;
    return n;
}

// Random operands: mostly uniform lengths, with extremes mixed in.
class NumGenerator {
public:
    explicit NumGenerator(uint32_t seed) : rng_(seed) {}

    int below(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }

    Num any() {
        Num n;
        switch (below(10)) {
        case 0: n = nines(); break;
        case 1: n = power_of_ten(); break;
        case 2: n = leading_group_small(); break;
        case 3: n = tiny(); break;
        default: n = digits(below(105), below(33)); break;
        }
        bool zero = true;
        for (uint16_t v : n.g) zero = zero && v == 0;
        if (zero) n.sign = 0;
        return n;
    }

    // int_digits integer and frac_digits fraction digits, random sign.
    Num digits(int int_digits, int frac_digits) {
        static const uint16_t rising[4] = {1, 10, 100, 1000}, falling[4] = {1000, 100, 10, 1};
        Num n;
        for (int r = 0; r < int_digits && r < 104; ++r)
            n.g[25 - r / 4] = static_cast<uint16_t>(n.g[25 - r / 4] + below(10) * rising[r % 4]);
        for (int f = 0; f < frac_digits && f < 32; ++f)
            n.g[26 + f / 4] = static_cast<uint16_t>(n.g[26 + f / 4] + below(10) * falling[f % 4]);
        n.sign = below(2);
        bool zero = true;
        for (uint16_t v : n.g) zero = zero && v == 0;
        if (zero) n.sign = 0;
        return n;
    }

    Num nines() {
        Num n;
        int first = below(34), last = first + below(34 - first);
        for (int k = first; k <= last; ++k) n.g[k] = 9999;
        n.sign = below(2);
        return n;
    }

    Num power_of_ten() {
        Num n;
        static const uint16_t pow10[4] = {1, 10, 100, 1000};
        n.g[below(34)] = pow10[below(4)];
        n.sign = below(2);
        return n;
    }

    // Leading group 1..3 followed by large groups, e.g. 1.9999 scaled: the
    // shape on which a one-group quotient estimate is furthest off.
    Num leading_group_small() {
        Num n;
        int t = below(33);
        n.g[t] = static_cast<uint16_t>(1 + below(3));
        for (int k = t + 1; k < 34 && k <= t + 1 + below(4); ++k)
            n.g[k] = static_cast<uint16_t>(9990 + below(10));
        n.sign = below(2);
        return n;
    }

    Num tiny() {
        Num n;
        n.g[30 + below(4)] = static_cast<uint16_t>(below(10000));
        n.sign = below(2);
        return n;
    }

private:
    std::mt19937 rng_;
};

}  // namespace talv_test
