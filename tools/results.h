// Recognition results: one record per form, read from CSV (a header row of
// field names, then one row per form) or JSON Lines (one object per form).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics.h"
#include "encoding.h"
#include "form.h"

namespace talvcli {

enum class ResultsFormat { Auto, Csv, Jsonl };

// The recognised text of one form.
struct Record {
    long number = 0;  // 1-based position of the form in the file, bad ones counted
    long line = 0;    // where it starts
    std::string id;   // the identifying column, when one was named (UTF-8)
    std::vector<std::string> values;  // CP932, one per field of the form; absent = empty
    std::vector<std::string> shown;   // the UTF-8 text as given, where it is not plain ASCII
};

struct Batch {
    std::vector<Record> records;  // the forms that can be checked
    long forms = 0;               // forms met, the rejected ones included
    long rejected = 0;            // forms not checked because of bad input
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

    bool store(Record &rec, std::size_t field, std::string_view text, long line, long column,
               const std::vector<std::size_t> *escapes = nullptr);
};

void read_csv(std::string_view text, const std::string &path, const Form &form, const ReadOptions &opts,
              Converter &conv, Diagnostics &diag, Batch &batch);
void read_jsonl(std::string_view text, const std::string &path, const Form &form, const ReadOptions &opts,
                Converter &conv, Diagnostics &diag, Batch &batch);

}  // namespace talvcli
