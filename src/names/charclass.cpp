// Certify mode judges a field by the character classes its class spec
// declares rather than by its value: words name classes, and characters
// inside brackets stand for the class they belong to.
#include <cstring>

#include "names/names.h"

namespace talv {
namespace {

constexpr std::size_t kClassSpecLimit = 256;

int32_t class_of_bracketed_byte(unsigned char c) {
    int32_t flags = 0;
    if (c == '-') flags |= TALV_CLASS_HYP;
    if (ascii_alpha(c)) flags |= TALV_CLASS_ALP;
    else if (ascii_digit(c)) flags |= TALV_CLASS_NUM;
    else if (c >= 0xA2 && c <= 0xDF) flags |= TALV_CLASS_KAT;
    else if (c >= 0x21 && c <= 0x7E) flags |= TALV_CLASS_SYM;
    return flags;
}

}  // namespace

int32_t derive_charclass(const char *class_spec) {
    if (!class_spec || class_spec[0] == '\0') return -1;

    char copy[kClassSpecLimit + 1];
    std::size_t n = bounded_length(class_spec, kClassSpecLimit);
    std::memcpy(copy, class_spec, n);
    copy[n] = '\0';

    int32_t flags = 0;
    bool in_brackets = false;
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(copy[i]);
        if (c == '[') { in_brackets = true; continue; }
        if (c == ']') { in_brackets = false; continue; }
        if (!in_brackets) continue;
        flags |= class_of_bracketed_byte(c);
        // Blanked so that bracketed letters never spell a class word below.
        copy[i] = ' ';
    }

    static const struct { const char *word; int32_t flag; } kWords[] = {
        {"ALP", TALV_CLASS_ALP}, {"NUM", TALV_CLASS_NUM}, {"KAT", TALV_CLASS_KAT},
        {"SYM", TALV_CLASS_SYM}, {"HYP", TALV_CLASS_HYP},
    };
    for (const auto &w : kWords)
        if (std::strstr(copy, w.word)) flags |= w.flag;
    return flags;
}

bool field_type_accepted(const char *type) {
    return std::strncmp(type, "HAND_ANK", 8) == 0 || std::strncmp(type, "PRINT_ANK", 8) == 0 ||
           std::strncmp(type, "MARK", 4) == 0;
}

}  // namespace talv
