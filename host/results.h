// Recognition results: one record per form, read from CSV (a header row of
// field names, then one row per form) or JSON Lines (one object per form).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics.h"
#include "encoding.h"
#include "form.h"

namespace talvhost {

enum class ResultsFormat { Auto, Csv, Jsonl };

// The recognised text of one form, packed: a batch is held whole, so a form
// costs a few hundred bytes rather than a string object per field.
struct Record {
    long number = 0;  // 1-based position of the form in the file, bad ones counted
    long line = 0;    // where it starts
    std::string id;   // the identifying column, when one was named (UTF-8)

    // One CP932 text per field of the form (absent ones empty), each with a
    // NUL after it.
    void pack(const std::vector<std::string> &values);
    std::string_view value(std::size_t field) const {
        return std::string_view(text_).substr(starts_[field], starts_[field + 1] - starts_[field] - 1);
    }
    std::size_t fields() const { return starts_.empty() ? 0 : starts_.size() - 1; }

    // The UTF-8 text as the file gave it, where it is not plain ASCII.
    void keep_shown(std::size_t field, std::string utf8) { shown_.emplace_back(static_cast<uint32_t>(field), std::move(utf8)); }
    void forget_shown(std::size_t field);
    const std::string *shown(std::size_t field) const;

private:
    std::string text_;
    std::vector<uint32_t> starts_;  // fields + 1 entries
    std::vector<std::pair<uint32_t, std::string>> shown_;
};

struct Batch {
    std::vector<Record> records;  // the forms that can be checked
    long forms = 0;               // forms met, the rejected ones included
    long rejected = 0;            // forms not checked because of bad input

    // Keeps a form whose every value was read, or counts it as rejected.
    void finish(Record &&rec, const std::vector<std::string> &values, bool good);
};

struct ReadOptions {
    ResultsFormat format = ResultsFormat::Auto;
    Encoding encoding = Encoding::Utf8;
    std::string id_column;  // UTF-8; empty: none
};

// The most the field-value record can hold before its NUL.
constexpr std::size_t kValueLimit = 1361;

// Reads a whole batch.  Bad input is reported through `diag` with its
// place; the form at fault is left out and the rest are read.  Throws
// InputError only when nothing can be read (missing file, bad header).
Batch read_results(const std::string &path, const Form &form, const ReadOptions &opts, Converter &conv,
                   Diagnostics &diag);

// ---- shared by the two readers --------------------------------------------

// Splits text into lines ("\n", with a "\r" before it dropped).
struct Line {
    long number;
    std::string_view text;
};
std::vector<Line> split_lines(std::string_view text);

// Bytes of a UTF-8 byte-order mark at the start of the first line (no part of
// its content, but counted in its columns).
std::size_t bom_length(const Line &line, Encoding encoding);

// Converts one value into the record, reporting through diag; returns false
// when the value is bad.  `column` is the 1-based column where the value's
// text starts (0: unknown); offsets within it are added.
struct ValueSink {
    const std::string &path;
    const Form &form;
    Encoding encoding;
    Converter &conv;
    Diagnostics &diag;

    bool store(Record &rec, std::vector<std::string> &values, std::size_t field, std::string_view text, long line,
               long column,
               const std::vector<std::size_t> *escapes = nullptr);
};

void read_csv(std::string_view text, const std::string &path, const Form &form, const ReadOptions &opts,
              Converter &conv, Diagnostics &diag, Batch &batch);
void read_jsonl(std::string_view text, const std::string &path, const Form &form, const ReadOptions &opts,
                Converter &conv, Diagnostics &diag, Batch &batch);

}  // namespace talvhost
