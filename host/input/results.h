// Recognition results: one record per form, read from CSV (a header row of
// field names, then one row per form) or JSON Lines (one object per form).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <memory>
#include <vector>

#include "input/diagnostics.h"
#include "input/encoding.h"
#include "input/form.h"
#include "input/line_source.h"

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
    // tight: no spare capacity kept (a record held in a batch); a scratch
    // record packed again and again keeps its buffers instead.
    void pack(const std::vector<std::string> &values, bool tight = true);
    // One field's text changed in place, the others kept: cheaper than
    // packing the whole form again for a change tried one field at a time.
    void replace(std::size_t field, std::string_view text);
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
    std::vector<std::string> keep;  // other columns or keys that are no fields (UTF-8)
    bool ignore_unknown = false;    // say nothing of a column or key that names no field
    char delimiter = 0;     // CSV: ',', ';' or '\t'; 0: told by the header
};

// The most the field-value record can hold before its NUL.
constexpr std::size_t kValueLimit = 1361;
// The longest line read (a form of 960 fields of the longest text fits);
// a longer one is skipped unread, so that memory stays flat.
constexpr std::size_t kLineLimit = 8u << 20;
// A quoted CSV cell may run over line breaks for this many bytes at most
// (three times the longest value in UTF-8, and then some).
constexpr std::size_t kSpanLimit = 64u << 10;
// JSON Lines values are strings: deeper nesting is refused before it costs.
constexpr int kResultsDepthLimit = 8;

// What the block finder needs to know of a results file: JSON Lines forms
// are lines; CSV ones are records of the header's cells, split at its
// delimiter, after the header's line.
struct BlockLayout {
    ResultsFormat format = ResultsFormat::Jsonl;
    char delimiter = ',';
    std::size_t columns = 0;
    long header_line = 0;  // CSV: the header's line (blank lines may come before it)
    std::string header;    // CSV: that line as the reader took it
};

// Reads the forms of a results file one after another, so that a caller may
// hold a few at a time.  Bad input is reported through diag with its place.
class FormReader {
public:
    enum class Next { End, Good, Bad };
    virtual ~FormReader() = default;
    // The next form: Good with rec packed, Bad when it was reported and must
    // not be checked (rec.number and rec.line still set), End at the end.
    virtual Next next(Record &rec) = 0;
    // Fields of the form that the file has no column for (CSV; JSON Lines
    // objects may leave out any field).
    virtual std::vector<std::size_t> missing_fields() const { return {}; }
    // How forms lie in the file, for splitting it into blocks that a
    // reader of its own can take (see block_finder.h).
    virtual BlockLayout block_layout() const = 0;
    // What the reader reads from, when it reads a file: after the header a
    // caller may take the rest of the bytes and cut them into blocks itself.
    virtual LineSource *source() { return nullptr; }
};

// Opens the file ("-": standard input) and reads what comes before the
// forms (the CSV header).  Throws InputError when nothing can be read
// (missing file, a directory, bad header); a read error later on is thrown
// from next(), never taken for the end.
std::unique_ptr<FormReader> open_results(const std::string &path, const Form &form, const ReadOptions &opts,
                                         Converter &conv, Diagnostics &diag);

// Reads a whole batch.  The form at fault is left out and the rest are read.
// Throws InputError only when nothing can be read.
Batch read_results(const std::string &path, const Form &form, const ReadOptions &opts, Converter &conv,
                   Diagnostics &diag);

// ---- shared by the two readers --------------------------------------------

// Where a value's text lies in the file, so that a fault inside it can be
// named by line and column.
struct TextPlace {
    long line = 0;
    long column = 0;  // 1-based column of the text's first byte; 0: not known
    const std::vector<std::size_t> *escapes = nullptr;  // text positions where "" stood for "
    const std::vector<std::size_t> *breaks = nullptr;   // text positions just after each line break
    // Line and column of the byte at offset within the text.
    std::pair<long, long> at(std::size_t offset) const;
};

// Converts one value into the form's values, reporting through diag;
// returns false when the value is bad.
struct ValueSink {
    const std::string &path;
    const Form &form;
    Encoding encoding;
    Converter &conv;
    Diagnostics &diag;

    bool store(Record &rec, std::vector<std::string> &values, std::size_t field, std::string_view text,
               const TextPlace &place);

    std::vector<bool> too_long_said = {};  // per field: a number too long for the library was warned about
};

// The integer digits of a CP932 text as the library reads a number (a yen
// sign, blanks and a sign before it, leading zeros not counted); 0 when the
// text is no number.
std::size_t integer_digits(std::string_view sjis);

// The integer digits the library keeps.
constexpr std::size_t kIntegerDigits = 104;

bool is_blank_line(std::string_view text);

std::unique_ptr<FormReader> open_csv(std::unique_ptr<LineSource> src, const Form &form, const ReadOptions &opts,
                                     Converter &conv, Diagnostics &diag);
std::unique_ptr<FormReader> open_jsonl(std::unique_ptr<LineSource> src, const Form &form, const ReadOptions &opts,
                                       Converter &conv, Diagnostics &diag);

}  // namespace talvhost
