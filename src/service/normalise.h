// Preparing an expression text for the scanner: bounds, visibility, the
// rewriting of field references, and the parenthesis depth check.
#pragma once

#include <cstddef>
#include <cstdint>

#include "talvechk.h"

namespace talv {

// A destination for normalise_expression: the text, its NUL and slack.
constexpr std::size_t kNormalisedBufferSize = TALV_MAX_EXPR + 4;

enum NormaliseResult : int {
    kNormalised = 0,
    kTextTooLong = -1,       // more than TALV_MAX_EXPR bytes; nothing copied
    kNothingVisible = -2,    // copied unchanged; holds nothing to evaluate
};

// First byte of a two-byte Shift-JIS character as the expression text
// walks see it (the full-width normalisation has a wider rule of its own).
inline bool is_expression_lead_byte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF); }

// Copies `text` into `dst` (at least kNormalisedBufferSize bytes) and turns
// the closing "]" of every field reference outside apostrophes into "$".
NormaliseResult normalise_expression(const char *text, char *dst);

// Whether `text` holds a byte 0x21..0x7E that is not the second byte of a
// two-byte character.
bool has_visible_character(const char *text);

// Limits grouping parentheses to six levels on a normalised text:
// 0, TALV_E_SYNTAX for an unclosed string or field reference, or
// TALV_E_PARENTHESES.
uint32_t check_parenthesis_depth(const char *text);

}  // namespace talv
