#include "service/normalise.h"

#include <cstring>

namespace talv {
namespace {

// Classification as in the default locale, independent of whatever locale
// the host has set.
bool is_ascii_alnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool is_ascii_space(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

constexpr int kMaxGroupingDepth = 6;

}  // namespace

bool has_visible_character(const char *text) {
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
        if (is_expression_lead_byte(*p)) {
            // A trail byte may look like a letter ("ア" is 0x83 0x41).
            if (!p[1]) break;
            ++p;
        } else if (*p >= 0x21 && *p <= 0x7E) {
            return true;
        }
    }
    return false;
}

NormaliseResult normalise_expression(const char *text, char *dst) {
    const std::size_t length = strnlen(text, TALV_MAX_EXPR + 1);
    if (length > TALV_MAX_EXPR) return kTextTooLong;
    std::memcpy(dst, text, length + 1);
    if (!has_visible_character(dst)) return kNothingVisible;

    enum { kOutside, kInString, kInField } state = kOutside;
    bool trail_pending = false;
    for (char *p = dst; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        switch (state) {
        case kOutside:
            if (c == '\'') state = kInString;
            else if (c == '[') state = kInField;
            break;
        case kInString:
            if (c == '\'') state = kOutside;
            break;
        case kInField:
            // A name may hold two-byte characters whose trail byte is 0x5D.
            if (trail_pending) {
                trail_pending = false;
            } else if (c == ']') {
                *p = '$';
                state = kOutside;
            } else if (is_expression_lead_byte(c)) {
                trail_pending = true;
            }
            break;
        }
    }
    return kNormalised;
}

namespace {

// The depth check's walk without the grouping count, for texts with too few
// "(" to group more than six deep: false when it cannot decide.
bool check_closures(const char *text, uint32_t &code) {
    std::size_t level = 0, opened = 0;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
        const unsigned char c = *p;
        if (c == '\'' || c == '[') {
            const unsigned char close = c == '\'' ? '\'' : '$';
            do ++p;
            while (*p && *p != close);
            if (!*p) {
                code = TALV_E_SYNTAX;
                return true;
            }
        } else if (c == '(') {
            if (++opened > kMaxGroupingDepth) return false;
            ++level;
        } else if (c == ')') {
            if (level == 0) break;
            --level;
        } else if (is_expression_lead_byte(c)) {
            if (p[1]) ++p;
        }
    }
    code = 0;
    return true;
}

}  // namespace

uint32_t check_parenthesis_depth(const char *text) {
    if (uint32_t code; check_closures(text, code)) return code;
    // One flag per nesting level: was the last significant character a letter
    // or digit, so that a "(" here opens an argument list?  There cannot be
    // more levels than bytes.
    unsigned char follows_name[TALV_MAX_EXPR + 2];
    std::size_t level = 0;
    int grouping = 0;
    follows_name[0] = 0;

    const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
    for (; *p; ++p) {
        if (*p == '\'' || *p == '[') {
            const unsigned char close = *p == '\'' ? '\'' : '$';
            do ++p;
            while (*p && *p != close);
            if (!*p) return TALV_E_SYNTAX;
        }
        const unsigned char c = *p;
        if (c == '(') {
            if (level + 1 >= sizeof follows_name) return TALV_E_SYNTAX;
            if (!follows_name[level]) ++grouping;
            follows_name[++level] = 0;
        } else if (c == ')') {
            if (level == 0) return 0;  // unbalanced: the parser reports it
            if (!follows_name[--level]) --grouping;
        } else if (is_expression_lead_byte(c)) {
            // The trail byte may be "[" ("ゼ" is 0x83 0x5B); it opens nothing.
            follows_name[level] = 0;
            if (p[1]) ++p;
        } else if (is_ascii_alnum(c)) {
            follows_name[level] = 1;
        } else if (!is_ascii_space(c)) {
            follows_name[level] = 0;
        }
        if (grouping > kMaxGroupingDepth) return TALV_E_PARENTHESES;
    }
    return 0;
}

}  // namespace talv
