// Expected texts for tests: written in UTF-8 and converted with the C
// library's converter, independently of the catalogue the build generates.
#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace talv_test {

inline std::string cp932(std::string_view utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "no UTF-8 to CP932 converter";
        return {};
    }
    std::string in(utf8), out(in.size() * 2 + 8, '\0');
    char *src = in.data(), *dst = out.data();
    std::size_t src_left = in.size(), dst_left = out.size();
    if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<std::size_t>(-1))
        ADD_FAILURE() << "cannot convert to CP932: " << utf8;
    iconv_close(cd);
    out.resize(out.size() - dst_left);
    return out;
}

}  // namespace talv_test
