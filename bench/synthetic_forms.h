// The synthetic forms the benchmarks' hosts check: A1..A12 amounts (some
// full-width, some blank-led), TOTAL their sum (one in twenty off by one),
// Q, P and AMT = Q * P, and a date Y, M, D that may not exist.  Fixed seed,
// so every run checks the same forms.
#pragma once

#include <cstddef>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace synthetic {

using Form = std::unordered_map<std::string, std::string>;

inline std::string full_width(const std::string &digits) {
    std::string out;
    for (char c : digits) {
        out += '\x82';
        out += static_cast<char>(0x4F + (c - '0'));
    }
    return out;
}

// Each form allocated whole before the next, as a host reading forms one by
// one would have them.
inline std::vector<Form> make_forms(std::size_t n) {
    std::mt19937 rng(1);
    std::vector<Form> forms(n);
    for (Form &f : forms) {
        long total = 0;
        for (int i = 1; i <= 12; ++i) {
            const long v = static_cast<long>(rng() % 100000);
            total += v;
            std::string s = std::to_string(v);
            const unsigned r = rng() % 10;
            if (r < 3) s = full_width(s);
            else if (r < 5) s = std::string(1 + rng() % 3, ' ') + s;
            f["A" + std::to_string(i)] = s;
        }
        f["TOTAL"] = std::to_string(rng() % 20 ? total : total + 1);
        const long q = 1 + static_cast<long>(rng() % 999), p = 1 + static_cast<long>(rng() % 99999);
        f["Q"] = std::to_string(q);
        f["P"] = std::to_string(p);
        f["AMT"] = std::to_string(q * p);
        f["Y"] = std::to_string(1990 + rng() % 41);
        f["M"] = std::to_string(1 + rng() % 12);
        f["D"] = std::to_string(1 + rng() % 31);
    }
    return forms;
}

}  // namespace synthetic
