#include "input/results.h"

#include <cstring>
#include <utility>

#include <fmt/format.h>

#include "input/encoding_sniff.h"

namespace talvhost {

bool is_blank_line(std::string_view text) { return text.find_first_not_of(" \t") == std::string_view::npos; }

std::pair<long, long> TextPlace::at(std::size_t offset) const {
    if (column <= 0) return {line, 0};
    std::size_t from = 0;  // text position where the byte's line starts
    long l = line, c = column;
    if (breaks)
        for (std::size_t b : *breaks)
            if (b <= offset) {
                ++l;
                from = b;
                c = 1;
            }
    c += static_cast<long>(offset - from);
    // A doubled quote in a CSV cell stands for one byte of its text.
    if (escapes)
        for (std::size_t pos : *escapes) c += pos >= from && pos <= offset ? 1 : 0;
    return {l, c};
}

void Record::pack(const std::vector<std::string> &values, bool tight) {
    text_.clear();
    starts_.clear();
    for (const std::string &v : values) {
        starts_.push_back(static_cast<uint32_t>(text_.size()));
        text_ += v;
        text_ += '\0';
    }
    starts_.push_back(static_cast<uint32_t>(text_.size()));
    if (tight) text_.shrink_to_fit();
}

void Record::replace(std::size_t field, std::string_view text) {
    const uint32_t begin = starts_[field], old_length = starts_[field + 1] - 1 - begin;
    if (text.size() == old_length) {
        // A character changed for one of the same width, as most tries are.
        if (!text.empty()) std::memcpy(&text_[begin], text.data(), text.size());
        return;
    }
    text_.replace(begin, old_length, text);
    // Unsigned arithmetic wraps, so a shorter text moves the starts back.
    const uint32_t shift = static_cast<uint32_t>(text.size()) - old_length;
    for (std::size_t i = field + 1; i < starts_.size(); ++i) starts_[i] += shift;
}

void Batch::finish(Record &&rec, const std::vector<std::string> &values, bool good) {
    if (!good) {
        ++rejected;
        return;
    }
    rec.pack(values);
    records.push_back(std::move(rec));
}

void Record::forget_shown(std::size_t field) {
    for (auto it = shown_.begin(); it != shown_.end(); ++it)
        if (it->first == field) {
            shown_.erase(it);
            return;
        }
}

const std::string *Record::shown(std::size_t field) const {
    for (const auto &[f, text] : shown_)
        if (f == field) return &text;
    return nullptr;
}

bool ValueSink::store(Record &rec, std::vector<std::string> &values, std::size_t field, std::string_view text,
                      const TextPlace &place) {
    const std::string &name = form.fields[field].name;
    try {
        std::string sjis = conv.import(text, encoding);
        if (sjis.size() > kValueLimit) {
            diag.error(InputError(Place{path, place.line, place.column, name},
                                  fmt::format("the text has {} bytes in CP932; a field holds at most {}; the form is not checked",
                                              sjis.size(), kValueLimit)));
            return false;
        }
        if (encoding == Encoding::Utf8 && !is_ascii(text)) rec.keep_shown(field, std::string(text));
        // Each digit takes a byte at least, so only a long text can hold too many.
        if (std::size_t digits = sjis.size() > kIntegerDigits ? integer_digits(sjis) : 0; digits > kIntegerDigits) {
            // The library drops the digits past its 104th without a word.
            too_long_said.resize(form.fields.size());
            if (!too_long_said[field]) {
                too_long_said[field] = true;
                diag.warning(InputError(Place{path, place.line, place.column, name},
                                        fmt::format("the number has {} integer digits; the library keeps {} and "
                                                    "drops the rest without an error (said for the first form only)",
                                                    digits, kIntegerDigits)),
                             Diagnostics::Once{"digits", name});
            }
        }
        values[field] = std::move(sjis);
        return true;
    } catch (const TextError &e) {
        auto [line, column] = place.at(e.offset);
        diag.error(InputError(Place{path, line, column, name}, std::string(e.what()) + "; the form is not checked"));
        return false;
    }
}

std::size_t integer_digits(std::string_view sjis) {
    std::size_t i = 0;
    // One character, half- or full-width: which of digit, blank, sign, point or yen.
    auto take = [&](char &kind) {
        if (i >= sjis.size()) return false;
        auto c = static_cast<unsigned char>(sjis[i]);
        if (c == 0x81 || c == 0x82) {
            if (i + 1 >= sjis.size()) return false;
            auto t = static_cast<unsigned char>(sjis[i + 1]);
            kind = c == 0x82 && t >= 0x4F && t <= 0x58 ? static_cast<char>('0' + (t - 0x4F))
                   : c == 0x81 && t == 0x40             ? ' '
                   : c == 0x81 && t == 0x7B             ? '+'
                   : c == 0x81 && t == 0x7C             ? '-'
                   : c == 0x81 && t == 0x44             ? '.'
                   : c == 0x81 && t == 0x8F             ? '\\'
                                                        : '?';
            i += 2;
            return true;
        }
        kind = (c >= '0' && c <= '9') || c == ' ' || c == '+' || c == '-' || c == '.' || c == '\\' ? static_cast<char>(c)
                                                                                                 : '?';
        ++i;
        return true;
    };
    std::vector<char> kinds;
    for (char k; take(k);) kinds.push_back(k);
    std::size_t at = 0;
    auto skip = [&](auto is) {
        while (at < kinds.size() && is(kinds[at])) ++at;
    };
    if (at < kinds.size() && kinds[at] == '\\') ++at;
    skip([](char k) { return k == ' '; });
    if (at < kinds.size() && (kinds[at] == '+' || kinds[at] == '-')) ++at;
    skip([](char k) { return k == ' ' || k == '0'; });
    std::size_t digits = 0;
    for (; at < kinds.size(); ++at) {
        char k = kinds[at];
        if (k == '.') break;
        if (k >= '0' && k <= '9')
            ++digits;
        else if (k != ' ')
            return 0;
    }
    for (; at < kinds.size(); ++at)
        if (kinds[at] == '?' || kinds[at] == '+' || kinds[at] == '-' || kinds[at] == '\\') return 0;
    return digits;
}

namespace {

ResultsFormat format_of(const std::string &path, ResultsFormat given) {
    if (given != ResultsFormat::Auto) return given;
    auto ends_with = [&](std::string_view suffix) {
        return path.size() >= suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    if (ends_with(".jsonl") || ends_with(".ndjson") || ends_with(".json")) return ResultsFormat::Jsonl;
    if (ends_with(".csv") || path == "-") return ResultsFormat::Csv;
    throw InputError(Place{path, 0, 0, {}}, "cannot tell the format from the name; give --input-format csv or jsonl");
}

}  // namespace

std::unique_ptr<FormReader> open_results(const std::string &path, const Form &form, const ReadOptions &opts,
                                         Converter &conv, Diagnostics &diag) {
    ResultsFormat format = format_of(path, opts.format);
    auto src = std::make_unique<LineSource>(path, kLineLimit);
    std::string_view head = src->head(kSniffBytes);
    if (auto wrong = wrong_encoding(head, head.size() < kSniffBytes, opts.encoding, path, conv)) throw *wrong;
    if (format == ResultsFormat::Csv) return open_csv(std::move(src), form, opts, conv, diag);
    return open_jsonl(std::move(src), form, opts, conv, diag);
}

Batch read_results(const std::string &path, const Form &form, const ReadOptions &opts, Converter &conv,
                   Diagnostics &diag) {
    std::unique_ptr<FormReader> reader = open_results(path, form, opts, conv, diag);
    Batch batch;
    for (;;) {
        Record rec;
        FormReader::Next next = reader->next(rec);
        if (next == FormReader::Next::End) break;
        ++batch.forms;
        if (next == FormReader::Next::Good)
            batch.records.push_back(std::move(rec));
        else
            ++batch.rejected;
    }
    return batch;
}

}  // namespace talvhost
