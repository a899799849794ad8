// The number-reading modes (all_blank, in_blank, right_blank, decimal_point)
// are exported data so that extension functions can read and change them.
#pragma once

#include <cstdint>

namespace talv {

// Blank-mode values.
constexpr int32_t kBlankError = 1;
constexpr int32_t kBlankIgnore = 2;
constexpr int32_t kBlankAsZero = 4;

constexpr int32_t kDefaultAllBlank = kBlankAsZero;
constexpr int32_t kDefaultInBlank = kBlankError;
constexpr int32_t kDefaultRightBlank = kBlankIgnore;
constexpr int32_t kDefaultDecimalPoint = 0;

// The point position of the readers that take integers (symbol_to_long and
// the date functions after it): the decimal-point mode is not applied.
constexpr int32_t kPointNotApplied = 0;

// Puts the four modes back to the values every evaluation starts with.
void reset_number_modes();

}  // namespace talv
