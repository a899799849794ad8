// Correction candidates for a check that did not pass: the one-character
// changes an OCR engine typically makes, tried in the fields the check
// reads, each through PPR_eval with the host serving the changed text; those
// that make the check pass, ranked by how many of the form's checks pass
// with them and then by how likely the change is.  Only the checks that
// read the changed field are evaluated again to score a candidate, and a
// form has a budget of evaluations, so that the cost stays bounded however
// many fields a check reads.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "input/encoding.h"
#include "input/form.h"
#include "check/host.h"
#include "input/results.h"

namespace talvhost {

// Evaluations of the failed check per finding, at most.
constexpr std::size_t kSuggestTries = 2000;
// Evaluations per form, the scoring of candidates included, unless the
// user gives more (--suggest-budget): a form whose every check fails and
// reads every field costs this much and no more.
constexpr std::size_t kSuggestBudget = 20000;
// Candidates listed per finding, at most.
constexpr std::size_t kSuggestShown = 10;
// Longer texts are left as they are (a field box holds far fewer): their
// changes would cost memory for no likely candidate.
constexpr std::size_t kSuggestLongest = 64;

// The kinds of one-character change, each with its own likelihood for a
// hand-written and a printed field.
enum class EditKind {
    LookAlike,       // a letter read for the digit of its shape
    BlankDropped,    // a blank that is no part of the text
    SimilarDigit,    // a digit read for one of similar shape
    DoubledDropped,  // one of two equal digits side by side dropped
    Swapped,         // two digits side by side swapped
    EndDigit,        // a digit dropped or added at either end
    DigitForDigit,   // any other digit
    InnerDigit,      // a digit dropped or added inside
    LetterForDigit,  // a digit read for its look-alike letter
    BlankAdded
};

// What a field's definition says of the text it may hold.
struct FieldShape {
    bool printed = false;        // type PRINT_*: machine print, not hand-writing
    bool letters = true;         // its classes let letters in
    std::size_t length = 0;      // characters at most (blanks aside); 0: any
    static FieldShape of(const FieldDef &def);
};

// One changed text of a field (UTF-8, as the user's file would have it).
struct Edit {
    std::size_t field;
    std::string text;
    std::string change;  // in words: "6 → 0 at 6", "dropped \" \" at 1"
    int rank;            // how likely for the field: lower first
    std::size_t position;
};

// How likely a change of this kind is for a field of this shape: lower first.
int edit_rank(EditKind kind, const FieldShape &shape);

// The candidate texts of one field's value, most likely first, the value
// itself not among them, none the field's length or classes rule out; none
// for a text of more than kSuggestLongest characters.
std::vector<Edit> single_edits(std::size_t field, const std::string &utf8, const FieldShape &shape = {});

class Suggester {
public:
    Suggester(const Form &form, Converter &conv, FormHost &host, std::size_t budget = kSuggestBudget);

    // A new form: its budget starts afresh.
    void begin_form();

    // The candidates for the failed check of `field` on `record` (which the
    // host serves again afterwards): an array of {"field", "from", "to",
    // "change", "checks_passed", "checks", "text"}.
    nlohmann::ordered_json candidates(const Record &record, std::size_t field);

    std::size_t last_tries() const { return tries_; }
    // Whether the form's budget ran out before or during the last finding.
    bool cut_short() const { return cut_; }
    std::size_t budget() const { return budget_; }

private:
    bool passes(std::size_t field);
    void learn_base(const Record &record);

    const Form &form_;
    Converter &conv_;
    FormHost &host_;
    std::vector<std::vector<std::size_t>> reads_;    // per field: the fields its check reads
    std::vector<std::vector<std::size_t>> readers_;  // per field: the checks that read it
    std::vector<FieldShape> shapes_;
    Record scratch_;
    std::size_t budget_, spent_ = 0, tries_ = 0;
    bool cut_ = false;
    // The checks' outcomes on the form as it stands, once per form.
    bool base_known_ = false;
    std::vector<bool> base_;
    std::size_t base_passed_ = 0;
};

}  // namespace talvhost
