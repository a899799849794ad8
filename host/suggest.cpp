#include "suggest.h"

#include <algorithm>
#include <set>

#include <fmt/format.h>

#include "checker.h"
#include "report.h"

namespace talvhost {

namespace {

using ojson = nlohmann::ordered_json;

constexpr char32_t kFullZero = 0xFF10;    // ０
constexpr char32_t kFullOffset = 0xFEE0;  // ASCII '!'..'~' to U+FF01..U+FF5E

// How typical a change is; candidates that leave as many checks passing go
// in this order, and when the tries run out the rarer changes are the ones
// not tried.
enum Rank {
    kLookAlike,
    kBlankDropped,
    kSimilarDigit,
    kEndDigit,
    kDigitForDigit,
    kInnerDigit,
    kLetterForDigit,
    kBlankAdded
};

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

std::string utf8_of(const std::vector<char32_t> &cps) {
    std::string out;
    for (char32_t c : cps) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool full_width(char32_t c) { return c >= 0xFF01 && c <= 0xFF5E; }
char32_t half_of(char32_t c) { return full_width(c) ? c - kFullOffset : c; }
char32_t same_width(char32_t ascii, bool full) { return full ? ascii + kFullOffset : ascii; }
bool is_digit(char32_t c) { return (c >= U'0' && c <= U'9') || (c >= kFullZero && c <= kFullZero + 9); }
bool is_blank(char32_t c) { return c == U' ' || c == 0x3000; }

// Letters an engine reads for digits and digits it reads for letters.
const std::pair<char32_t, char32_t> kLookAlikes[] = {{U'O', U'0'}, {U'o', U'0'}, {U'D', U'0'}, {U'l', U'1'},
                                                     {U'I', U'1'}, {U'|', U'1'}, {U'S', U'5'}, {U's', U'5'},
                                                     {U'B', U'8'}, {U'Z', U'2'}, {U'z', U'2'}, {U'G', U'6'}};

std::string quoted_char(char32_t c) { return "\"" + utf8_of({c}) + "\""; }

}  // namespace

std::vector<Edit> single_edits(std::size_t field, const std::string &utf8) {
    std::vector<Edit> edits;
    const std::vector<char32_t> cps = code_points(utf8);
    if ((cps.empty() && !utf8.empty()) || cps.size() > kSuggestLongest) return edits;
    auto add = [&](std::vector<char32_t> t, std::string change, Rank rank, std::size_t pos) {
        edits.push_back(Edit{field, utf8_of(t), std::move(change), rank, pos});
    };
    const std::size_t n = cps.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char32_t c = cps[i];
        const bool full = full_width(c);
        const char32_t h = half_of(c);
        std::vector<char32_t> t = cps;
        for (auto [letter, digit] : kLookAlikes) {
            if (h == letter) {
                t[i] = same_width(digit, full);
                add(t, fmt::format("{} → {} at {}", quoted_char(c), quoted_char(t[i]), i + 1), kLookAlike, i);
            } else if (h == digit) {
                t[i] = same_width(letter, full);
                add(t, fmt::format("{} → {} at {}", quoted_char(c), quoted_char(t[i]), i + 1), kLetterForDigit, i);
            }
            t[i] = c;
        }
        if (is_digit(c)) {
            for (char32_t d = U'0'; d <= U'9'; ++d) {
                if (d == h) continue;
                t[i] = same_width(d, full);
                add(t, fmt::format("{} → {} at {}", quoted_char(c), quoted_char(t[i]), i + 1),
                    similar_digits(h, d) ? kSimilarDigit : kDigitForDigit, i);
            }
            t = cps;
            t.erase(t.begin() + static_cast<long>(i));
            add(t, fmt::format("{} dropped at {}", quoted_char(c), i + 1), i == 0 || i + 1 == n ? kEndDigit : kInnerDigit,
                i);
        } else if (is_blank(c)) {
            t.erase(t.begin() + static_cast<long>(i));
            add(t, fmt::format("blank dropped at {}", i + 1), kBlankDropped, i);
        }
    }
    // Digits and blanks the engine missed: before each character and at the end.
    for (std::size_t i = 0; i <= n; ++i) {
        // A digit takes the width of the digit beside it.
        bool full = (i > 0 && full_width(cps[i - 1]) && is_digit(cps[i - 1])) ||
                    (i < n && full_width(cps[i]) && is_digit(cps[i]) && !(i > 0 && is_digit(cps[i - 1])));
        const Rank rank = i == 0 || i == n ? kEndDigit : kInnerDigit;
        for (char32_t d = U'0'; d <= U'9'; ++d) {
            std::vector<char32_t> t = cps;
            t.insert(t.begin() + static_cast<long>(i), same_width(d, full));
            add(t, fmt::format("{} added at {}", quoted_char(t[i]), i + 1), rank, i);
        }
        if (n > 0) {
            std::vector<char32_t> t = cps;
            t.insert(t.begin() + static_cast<long>(i), U' ');
            add(t, fmt::format("blank added at {}", i + 1), kBlankAdded, i);
        }
    }
    std::stable_sort(edits.begin(), edits.end(), [](const Edit &a, const Edit &b) { return a.rank < b.rank; });
    std::set<std::string> seen;
    std::vector<Edit> unique;
    for (Edit &e : edits)
        if (e.text != utf8 && seen.insert(e.text).second) unique.push_back(std::move(e));
    return unique;
}

Suggester::Suggester(const Form &form, Converter &conv, FormHost &host)
    : form_(form), conv_(conv), host_(host), reads_(fields_to_show(form, conv)) {}

bool Suggester::passes(std::size_t field) {
    const FieldDef &def = form_.fields[field];
    uint32_t out = TALV_E_INTERNAL;
    host_.forget_missing();
    uint32_t ret = PPR_eval(&out, def.sjis_name.c_str(), def.sjis_check.c_str());
    return classify(out, ret) == Outcome::Passed;
}

std::size_t Suggester::form_passes() {
    std::size_t n = 0;
    for (std::size_t i = 0; i < form_.fields.size(); ++i)
        if (form_.fields[i].check && passes(i)) ++n;
    return n;
}

nlohmann::ordered_json Suggester::candidates(const Record &record, std::size_t field) {
    std::vector<std::string> values(form_.fields.size());
    for (std::size_t i = 0; i < values.size() && i < record.fields(); ++i) values[i] = std::string(record.value(i));

    std::vector<Edit> edits;
    for (std::size_t f : reads_[field]) {
        std::vector<Edit> more = single_edits(f, shown_value(record, f, conv_));
        edits.insert(edits.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    }
    // The likeliest changes across all the fields first, then the cap.
    std::stable_sort(edits.begin(), edits.end(), [](const Edit &a, const Edit &b) { return a.rank < b.rank; });
    if (edits.size() > kSuggestTries) edits.resize(kSuggestTries);
    tries_ = edits.size();

    struct Passing {
        const Edit *edit;
        std::size_t checks_passed;
        std::size_t order;
    };
    std::vector<Passing> passing;
    host_.serve(&scratch_);
    for (std::size_t k = 0; k < edits.size(); ++k) {
        const Edit &e = edits[k];
        std::string sjis;
        try {
            sjis = conv_.to_cp932(e.text);
        } catch (const TextError &) {
            continue;
        }
        if (sjis.size() > kValueLimit) continue;
        std::swap(values[e.field], sjis);
        scratch_.pack(values);
        std::swap(values[e.field], sjis);
        if (passes(field)) passing.push_back(Passing{&e, form_passes(), k});
    }
    host_.serve(&record);

    std::stable_sort(passing.begin(), passing.end(), [](const Passing &a, const Passing &b) {
        if (a.checks_passed != b.checks_passed) return a.checks_passed > b.checks_passed;
        return a.order < b.order;
    });
    const std::size_t checks = form_.check_count();
    ojson out = ojson::array();
    for (const Passing &p : passing) {
        if (out.size() == kSuggestShown) break;
        const Edit &e = *p.edit;
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
