// The number reader: every way a text becomes a number goes through here.
// The general reader (dtchk_number and to_number, with sym_number and the
// literal reader jis8_to_number) handles every text under every mode; its
// fast paths sit beside it and answer only for texts they read exactly as it
// would: the plain reader (full-width digits with a point, a yen sign and a
// sign, blanks at either end), and a field read's own pass over the host's
// text, which reads digits alone (sixteen bytes at a time) into a word and
// hands that word to the operator that asked for the read.  read_number is
// the one way in for the operators: it tries them in that order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "talvechk.h"
#include "values/decimal.h"
#include "values/modes.h"

namespace talv {

// What sym_number would make of a Symbol's text under the current modes,
// for texts of full-width digits with at most a point, a leading yen sign
// and sign, and blanks at either end: true with `code` 0 and the groups and
// sign, or with `code` the error sym_number would give.  False, with
// nothing decided, for every other text (in-number blanks, an implied
// point, trailing blanks read as zeros, half-width or other characters);
// sym_number takes those.  `text` is the Symbol's whole text storage.
bool read_plain_number(const char *text, uint16_t *groups, int32_t &sign, uint32_t &code);

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

// The groups of a whole number below 10^19.
void groups_of_integer(uint64_t value, uint16_t *groups);

// A field read normalises the host's text in one pass and, for the texts
// fields mostly hold (digits, half- or full-width, with blanks at either
// end), reads their value on the way, handing it to the operator that asked
// for the read so that the text need not be read a second time.  The
// hand-over holds only for the Symbol that read made and only for the very
// request: an operator resolves its operand under a request of its own, and
// a read made under any other request (or none) never matches it.  The
// evaluation owns the one hand-over there is (EvalState::fresh_read).
class FreshRead {
public:
    // `operand` resolved under a request of its own, whose number goes to
    // `request` for take (or read_number) afterwards: only a field read
    // that this resolution makes can answer it.
    Symbol *resolve(Symbol *operand, uint32_t &request) {
        request = open();
        Symbol *resolved = eval_symbol(operand);
        close();
        return resolved;
    }

    // Opens a request; the answer is its number.  It is closed once the
    // operand is resolved.
    uint32_t open() {
        armed_ = true;
        return ++request_;
    }
    void close() { armed_ = false; }

    // For the read: true when it answers the open request (the first read
    // under it does), which forgets whatever an earlier read noted.
    bool answers() {
        if (!armed_) return false;
        armed_ = false;
        sym_ = nullptr;
        return true;
    }
    // For the read that answers: `made` spells `value` (1 to 19 digits),
    // perhaps with trailing blanks.
    void note(const Symbol *made, uint64_t value, bool trailing_blanks) {
        sym_ = made;
        noted_for_ = request_;
        value_ = value;
        trailing_blanks_ = trailing_blanks;
    }

    // The value of `resolved` when the read that made it answered `request`
    // and a reader applying `modes` reads its text as that value.  This is
    // the one rule of when the hand-over holds: an implied point makes the
    // digits another number, and trailing blanks the right-blank mode
    // objects to (an error, or zeros) are left to the reader.  Taken once.
    bool take(uint32_t request, const Symbol *resolved, const NumberModes &modes, uint64_t &value) {
        if (noted_for_ != request || sym_ != resolved || resolved == nullptr) return false;
        sym_ = nullptr;
        if (modes.point_position > 0) return false;
        if (trailing_blanks_ && (modes.right_blank == kBlankError || modes.right_blank == kBlankAsZero)) return false;
        value = value_;
        return true;
    }

    // The Symbols are released: the noted cell is about to be handed out again.
    void forget() { sym_ = nullptr; }

    uint32_t last_request() const { return request_; }

private:
    const Symbol *sym_ = nullptr;
    uint32_t noted_for_ = 0;
    uint32_t request_ = 0;
    bool armed_ = false;  // a request is open and no read has answered it yet
    bool trailing_blanks_ = false;
    uint64_t value_ = 0;  // of at most 19 digits
};

// What read_fresh_text answers when it did not meet the text's end.
constexpr std::size_t kLengthUnknown = SIZE_MAX;

// A field read's text: `recognised` is the host's (at most `size` bytes,
// perhaps unterminated; `size` exceeds what normalisation keeps); `made` is
// fresh (all zeros).  Writes into made->text what normalise_full_width
// writes, and when `hand_over` has a request open answers it (the first read
// under it does), noting the value if the text is blanks, 1 to 19 digits and
// blanks, half- or full-width.  Answers the length of the host's text when
// reading met its terminator, else kLengthUnknown.
std::size_t read_fresh_text(const char *recognised, std::size_t size, Symbol *made, FreshRead &hand_over);

// An operand as a number, as read_number gives it.  Every read sets every
// member (none has a default: operators make and fill two of these per step).
struct ReadNumber {
    enum class Form : uint8_t {
        word,    // a whole number below 10^19, not negative: `word`
        groups,  // `groups` and `sign`
        // A reference (a variable holding a field or variable reference,
        // which only an extension can store): the exported operations read
        // it afresh whenever they are asked.  `symbol` is it, `groups` and
        // `sign` what it holds as it stands.
        reread,
        not_a_number,  // `code` says why
    };
    Form form;
    int32_t sign;
    uint32_t code;  // 0 unless not_a_number
    uint64_t word;
    const uint16_t *groups;  // null for a word
    // The operand as the exported operations take it, when one is at hand:
    // a NUMBER read where it stands, or the converted copy.
    Symbol *symbol;
};

// Where a read that cannot read in place writes: groups read from a text,
// or a private copy to convert.
struct NumberRoom {
    uint16_t groups[kGroupCount];
    Symbol copy;
};

// A resolved operand as a number under the modes in force, into `n`.  A
// NUMBER is read where it stands; the word the field read noted is taken when
// that read answered `request` (opened on `hand_over` before the operand was
// resolved); plain texts are read without a copy; anything else goes the
// general way, through a copy in `room` and sym_number.
void read_number(Symbol *resolved, FreshRead &hand_over, uint32_t request, NumberRoom &room, ReadNumber &n);

}  // namespace talv
