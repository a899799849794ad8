// The quick way to a number for the common texts.
#pragma once

#include <cstdint>

#include "talvechk.h"

namespace talv {

// What sym_number would make of a Symbol's text under the current modes,
// for texts of full-width digits with at most a point, a leading yen sign
// and sign, and blanks at either end: true with `code` 0 and the groups and
// sign, or with `code` the error sym_number would give.  False, with
// nothing decided, for every other text (in-number blanks, an implied
// point, trailing blanks read as zeros, half-width or other characters);
// sym_number takes those.  `text` is the Symbol's whole text storage.
bool read_plain_number(const char *text, uint16_t *groups, int32_t &sign, uint32_t &code);

// The groups of a whole number below 10^19.
void groups_of_integer(uint64_t value, uint16_t *groups);

// The same under given modes (dtchk_number's arguments).  `bare` tells that
// the text is digits and point alone, which dtchk_number would leave as it
// stands before reading it.
struct NumberModes {
    int32_t all_blank, right_blank, point_position;
};
bool read_plain_number(const char *text, const NumberModes &modes, uint16_t *groups, int32_t &sign,
                       uint32_t &code, bool &bare);

// The modes the exported mode variables hold now.
inline NumberModes number_modes_in_force() { return {all_blank, right_blank, decimal_point}; }

}  // namespace talv
