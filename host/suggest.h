// Correction candidates for a check that did not pass: the one-character
// changes an OCR engine typically makes, tried in the fields the check
// reads, each through PPR_eval with the host serving the changed text; those
// that make the check pass, ranked by how many of the form's checks pass
// with them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "encoding.h"
#include "form.h"
#include "host.h"
#include "results.h"

namespace talvhost {

// Evaluations of the failed check per finding, at most.
constexpr std::size_t kSuggestTries = 2000;
// Candidates listed per finding, at most.
constexpr std::size_t kSuggestShown = 10;
// Longer texts are left as they are (a field box holds far fewer): their
// changes would cost memory for no likely candidate.
constexpr std::size_t kSuggestLongest = 64;

// One changed text of a field (UTF-8, as the user's file would have it).
struct Edit {
    std::size_t field;
    std::string text;
    std::string change;  // in words: "6 → 0 at 6", "dropped \" \" at 1"
    int rank;            // how typical: lower first
    std::size_t position;
};

// The candidate texts of one field's value, most typical first, the value
// itself not among them; none for a text of more than kSuggestLongest
// characters.
std::vector<Edit> single_edits(std::size_t field, const std::string &utf8);

class Suggester {
public:
    Suggester(const Form &form, Converter &conv, FormHost &host);

    // The candidates for the failed check of `field` on `record` (which the
    // host serves again afterwards): an array of {"field", "from", "to",
    // "change", "checks_passed", "checks", "text"}.
    nlohmann::ordered_json candidates(const Record &record, std::size_t field);

    std::size_t last_tries() const { return tries_; }

private:
    bool passes(std::size_t field);
    std::size_t form_passes();

    const Form &form_;
    Converter &conv_;
    FormHost &host_;
    std::vector<std::vector<std::size_t>> reads_;  // per field: the fields its check reads
    Record scratch_;
    std::size_t tries_ = 0;
};

}  // namespace talvhost
