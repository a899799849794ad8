#include "report/suggest.h"

#include <algorithm>
#include <set>
#include <unordered_set>

#include <fmt/format.h>

#include "check/checker.h"
#include "report/report.h"

namespace talvhost {

namespace {

using ojson = nlohmann::ordered_json;

constexpr char32_t kFullZero = 0xFF10;    // ０
constexpr char32_t kFullOffset = 0xFEE0;  // ASCII '!'..'~' to U+FF01..U+FF5E

// Digits whose handwritten shapes engines take for one another.
bool similar_digits(char32_t a, char32_t b) {
    static const char *const kSimilar[10] = {"689", "742", "73", "8529", "91", "638", "058", "12", "30695", "4803"};
    const char *list = kSimilar[a - U'0'];
    for (; *list; ++list)
        if (static_cast<char32_t>(*list) == b) return true;
    return false;
}

std::vector<char32_t> code_points(const std::string &utf8) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        std::size_t n = decode_utf8(utf8, i, cp);
        if (n == 0) return {};
        out.push_back(cp);
        i += n;
    }
    return out;
}

// Into a buffer kept from one try to the next.
void utf8_into(const std::vector<char32_t> &cps, std::string &out) {
    out.resize(4 * cps.size());
    std::size_t used = 0;
    for (char32_t c : cps) used += put_utf8(c, out.data() + used);
    out.resize(used);
}

std::string utf8_of(const std::vector<char32_t> &cps) {
    std::string out;
    utf8_into(cps, out);
    return out;
}

bool full_width(char32_t c) { return c >= 0xFF01 && c <= 0xFF5E; }
char32_t half_of(char32_t c) { return full_width(c) ? c - kFullOffset : c; }
char32_t same_width(char32_t ascii, bool full) { return full ? ascii + kFullOffset : ascii; }
bool is_digit(char32_t c) { return (c >= U'0' && c <= U'9') || (c >= kFullZero && c <= kFullZero + 9); }
bool is_blank(char32_t c) { return c == U' ' || c == 0x3000; }

// Letters an engine reads for digits and digits it reads for letters.
const std::pair<char32_t, char32_t> kLookAlikes[] = {
    {U'O', U'0'}, {U'o', U'0'}, {U'D', U'0'}, {U'Q', U'0'}, {U'l', U'1'}, {U'I', U'1'}, {U'|', U'1'},
    {U'i', U'1'}, {U'!', U'1'}, {U'Z', U'2'}, {U'z', U'2'}, {U'A', U'4'}, {U'S', U'5'}, {U's', U'5'},
    {U'G', U'6'}, {U'b', U'6'}, {U'T', U'7'}, {U'B', U'8'}, {U'g', U'9'}, {U'q', U'9'}};

std::string quoted_char(char32_t c) { return "\"" + utf8_of({c}) + "\""; }

}  // namespace

// The likelihood tiers, per kind of change: machine print confuses shapes
// of a font (O and 0) and drops or doubles characters, rarely swaps them;
// a hand swaps neighbours and writes digits that look alike.
constexpr int kRanks = 10;
int edit_rank(EditKind kind, const FieldShape &shape) {
    // LookAlike, BlankDropped, SimilarDigit, DoubledDropped, Swapped,
    // EndDigit, DigitForDigit, InnerDigit, LetterForDigit, BlankAdded
    static const int kHand[] = {0, 1, 3, 2, 4, 5, 6, 7, 8, 9};
    static const int kPrint[] = {0, 1, 4, 2, 6, 3, 5, 7, 8, 9};
    return (shape.printed ? kPrint : kHand)[static_cast<int>(kind)];
}

FieldShape FieldShape::of(const FieldDef &def) {
    FieldShape shape;
    shape.printed = def.type.rfind("PRINT", 0) == 0;
    // As the library reads a class: ALP lets letters in, and a bracketed
    // list may hold any character.
    shape.letters = def.class_spec.empty() || def.class_spec.find("ALP") != std::string::npos ||
                    def.class_spec.find('[') != std::string::npos;
    shape.length = def.attr > 0 ? static_cast<std::size_t>(def.attr) : 0;
    return shape;
}

namespace {

// A change as it will be put in words, should its candidate pass: most
// candidates do not, and are never described.
struct Change {
    enum Form { Replaced, Dropped, Swapped, BlankDropped, Added, BlankAdded } form;
    char32_t from = 0, to = 0;
    std::size_t at = 0;  // 0-based
    std::string words() const {
        switch (form) {
        case Replaced: return fmt::format("{} → {} at {}", quoted_char(from), quoted_char(to), at + 1);
        case Dropped: return fmt::format("{} dropped at {}", quoted_char(from), at + 1);
        case Swapped: return fmt::format("{} and {} swapped at {}", quoted_char(from), quoted_char(to), at + 1);
        case BlankDropped: return fmt::format("blank dropped at {}", at + 1);
        case Added: return fmt::format("{} added at {}", quoted_char(to), at + 1);
        case BlankAdded: return fmt::format("blank added at {}", at + 1);
        }
        return {};
    }
};

std::size_t length_without_blanks(const std::vector<char32_t> &cps) {
    return static_cast<std::size_t>(std::count_if(cps.begin(), cps.end(), [](char32_t c) { return !is_blank(c); }));
}

// Calls emit(text, change) for each change of cps of this rank that the
// field's shape allows, in the order of the text, until emit returns false;
// returns false then.
// Nothing is built for a change of another rank, so that a long text or a
// check reading many fields costs only the changes actually tried.
template <class Emit>
bool each_edit(const std::vector<char32_t> &cps, const FieldShape &shape, int rank, Emit &&emit) {
    const std::size_t n = cps.size(), given = length_without_blanks(cps);
    // A text past its box by more than a character was not written to the
    // declared length, which then says nothing of it.
    const std::size_t longest = shape.length == 0 || given > shape.length + 1 ? SIZE_MAX : shape.length;
    // A long box one character short of full holds a number of fixed width
    // that lost a digit, likelier than one with a digit misread.
    const bool short_one = shape.length >= 6 && given + 1 == shape.length;
    auto want = [&](EditKind kind, bool insertion = false) {
        if (kind == EditKind::LetterForDigit && !shape.letters) return false;
        if (insertion && short_one) return rank == edit_rank(EditKind::DoubledDropped, shape);
        return edit_rank(kind, shape) == rank;
    };
    // What the box cannot hold is no candidate.
    auto put = [&](const std::vector<char32_t> &t, const Change &change) {
        return (longest != SIZE_MAX && length_without_blanks(t) > longest) || emit(t, change);
    };
    // One buffer for every candidate of the call, put back to cps between
    // changes: room for the longest, an insertion, is made once.
    std::vector<char32_t> t;
    t.reserve(n + 1);
    for (std::size_t i = 0; i < n; ++i) {
        const char32_t c = cps[i];
        const bool full = full_width(c);
        const char32_t h = half_of(c);
        t = cps;
        for (auto [letter, digit] : kLookAlikes) {
            EditKind kind = h == letter ? EditKind::LookAlike : EditKind::LetterForDigit;
            if ((h != letter && h != digit) || !want(kind)) continue;
            t[i] = same_width(h == letter ? digit : letter, full);
            if (!put(t, Change{Change::Replaced, c, t[i], i})) return false;
            t[i] = c;
        }
        if (is_digit(c)) {
            for (char32_t d = U'0'; d <= U'9'; ++d) {
                if (d == h || !want(similar_digits(h, d) ? EditKind::SimilarDigit : EditKind::DigitForDigit)) continue;
                t[i] = same_width(d, full);
                if (!put(t, Change{Change::Replaced, c, t[i], i})) return false;
            }
            t[i] = c;
            const bool doubled = (i > 0 && half_of(cps[i - 1]) == h) || (i + 1 < n && half_of(cps[i + 1]) == h);
            const EditKind drop = doubled ? EditKind::DoubledDropped
                                  : i == 0 || i + 1 == n ? EditKind::EndDigit
                                                         : EditKind::InnerDigit;
            if (want(drop)) {
                t.erase(t.begin() + static_cast<long>(i));
                if (!put(t, Change{Change::Dropped, c, 0, i})) return false;
                t = cps;
            }
            if (i + 1 < n && is_digit(cps[i + 1]) && half_of(cps[i + 1]) != h && want(EditKind::Swapped)) {
                std::swap(t[i], t[i + 1]);
                if (!put(t, Change{Change::Swapped, c, cps[i + 1], i})) return false;
            }
        } else if (is_blank(c) && want(EditKind::BlankDropped)) {
            t.erase(t.begin() + static_cast<long>(i));
            if (!put(t, Change{Change::BlankDropped, c, 0, i})) return false;
        }
    }
    // Digits and blanks the engine missed: before each character and at the end.
    for (std::size_t i = 0; i <= n; ++i) {
        // A digit takes the width of the digit beside it.
        bool full = (i > 0 && full_width(cps[i - 1]) && is_digit(cps[i - 1])) ||
                    (i < n && full_width(cps[i]) && is_digit(cps[i]) && !(i > 0 && is_digit(cps[i - 1])));
        if (want(i == 0 || i == n ? EditKind::EndDigit : EditKind::InnerDigit, true))
            for (char32_t d = U'0'; d <= U'9'; ++d) {
                t = cps;
                t.insert(t.begin() + static_cast<long>(i), same_width(d, full));
                if (!put(t, Change{Change::Added, 0, t[i], i})) return false;
            }
        if (n > 0 && want(EditKind::BlankAdded)) {
            t = cps;
            t.insert(t.begin() + static_cast<long>(i), U' ');
            if (!put(t, Change{Change::BlankAdded, 0, U' ', i})) return false;
        }
    }
    return true;
}

}  // namespace

std::vector<Edit> single_edits(std::size_t field, const std::string &utf8, const FieldShape &shape) {
    std::vector<Edit> edits;
    const std::vector<char32_t> cps = code_points(utf8);
    if ((cps.empty() && !utf8.empty()) || cps.size() > kSuggestLongest) return edits;
    std::set<std::string> seen = {utf8};
    for (int rank = 0; rank < kRanks; ++rank)
        each_edit(cps, shape, rank, [&](const std::vector<char32_t> &t, const Change &change) {
            std::string text = utf8_of(t);
            if (seen.insert(text).second) edits.push_back(Edit{field, std::move(text), change.words(), rank, change.at});
            return true;
        });
    return edits;
}

Suggester::Suggester(const Form &form, Converter &conv, FormHost &host, std::size_t budget)
    : form_(form), conv_(conv), host_(host), reads_(fields_to_show(form, conv)), readers_(form.fields.size()),
      budget_(budget) {
    for (std::size_t c = 0; c < form.fields.size(); ++c) {
        shapes_.push_back(FieldShape::of(form.fields[c]));
        if (form.fields[c].check)
            for (std::size_t f : reads_[c]) readers_[f].push_back(c);
    }
}

void Suggester::begin_form() {
    spent_ = 0;
    cut_ = false;
    base_known_ = false;
}

bool Suggester::passes(std::size_t field) {
    const FieldDef &def = form_.fields[field];
    uint32_t out = TALV_E_INTERNAL;
    host_.forget_missing();
    ++spent_;
    uint32_t ret = PPR_eval(&out, def.sjis_name.c_str(), def.sjis_check.c_str());
    return classify(out, ret) == Outcome::Passed;
}

void Suggester::learn_base(const Record &record) {
    if (base_known_) return;
    base_known_ = true;
    base_.assign(form_.fields.size(), false);
    base_passed_ = 0;
    host_.serve(&record);
    for (std::size_t c = 0; c < form_.fields.size(); ++c)
        if (form_.fields[c].check && passes(c)) base_[c] = true, ++base_passed_;
}

nlohmann::ordered_json Suggester::candidates(const Record &record, std::size_t field) {
    ojson out = ojson::array();
    tries_ = 0;
    cut_ = spent_ >= budget_;
    if (cut_) return out;
    learn_base(record);

    std::vector<std::string> values(form_.fields.size());
    for (std::size_t i = 0; i < values.size() && i < record.fields(); ++i) values[i] = std::string(record.value(i));
    const std::vector<std::size_t> &reads = reads_[field];
    std::vector<std::string> given(reads.size());
    std::vector<std::vector<char32_t>> cps(reads.size());
    std::vector<std::unordered_set<std::string>> seen(reads.size());
    std::vector<bool> left_alone(reads.size());
    for (std::size_t k = 0; k < reads.size(); ++k) {
        given[k] = shown_value(record, reads[k], conv_);
        cps[k] = code_points(given[k]);
        left_alone[k] = (cps[k].empty() && !given[k].empty()) || cps[k].size() > kSuggestLongest;
    }

    struct Passing {
        Edit edit;
        std::size_t checks_passed;
        std::size_t order;
    };
    std::vector<Passing> passing;
    scratch_.pack(values, false);
    host_.serve(&scratch_);
    std::string text;
    // The likeliest changes across all the fields first, until the cap.
    for (int rank = 0; rank < kRanks; ++rank) {
        bool more = true;
        for (std::size_t k = 0; k < reads.size() && more; ++k) {
            const std::size_t f = reads[k];
            if (left_alone[k]) continue;
            more = each_edit(cps[k], shapes_[f], rank, [&](const std::vector<char32_t> &t, const Change &change) {
                if (tries_ == kSuggestTries) return false;
                if (spent_ >= budget_) return !(cut_ = true);
                utf8_into(t, text);
                if (text == given[k] || !seen[k].insert(text).second) return true;
                ++tries_;
                std::string sjis;
                try {
                    sjis = conv_.to_cp932(text);
                } catch (const TextError &) {
                    return true;
                }
                if (sjis.size() > kValueLimit) return true;
                scratch_.replace(f, sjis);
                if (passes(field)) {
                    // Only the checks that read the changed field can come
                    // out otherwise than they do on the form as it stands.
                    std::size_t passed = base_passed_ + 1;
                    for (std::size_t c : readers_[f])
                        if (c != field) passed = passed - base_[c] + passes(c);
                    passing.push_back(Passing{Edit{f, text, change.words(), rank, change.at}, passed, tries_});
                }
                scratch_.replace(f, values[f]);
                return true;
            });
        }
        if (!more) break;
    }
    host_.serve(&record);

    std::stable_sort(passing.begin(), passing.end(), [](const Passing &a, const Passing &b) {
        if (a.checks_passed != b.checks_passed) return a.checks_passed > b.checks_passed;
        return a.order < b.order;
    });
    const std::size_t checks = form_.check_count();
    for (const Passing &p : passing) {
        if (out.size() == kSuggestShown) break;
        const Edit &e = p.edit;
        ojson j;
        j["field"] = form_.fields[e.field].name;
        j["from"] = shown_value(record, e.field, conv_);
        j["to"] = e.text;
        j["change"] = e.change;
        j["checks_passed"] = p.checks_passed;
        j["checks"] = checks;
        j["text"] = fmt::format("{} \"{}\" → \"{}\" passes  ({}; {} of {} checks of the form pass)",
                                form_.fields[e.field].name, j["from"].get<std::string>(), e.text, e.change,
                                p.checks_passed, checks);
        out.push_back(std::move(j));
    }
    return out;
}

}  // namespace talvhost
