// The host's readers under libFuzzer: the input is a results file (CSV or
// JSON Lines) read against a small fixed form, or a form definition.  Bad
// input must come back as InputError or as a form not checked, never as
// any other exception, a crash or a count that does not add up.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "input/diagnostics.h"
#include "input/encoding.h"
#include "input/form.h"
#include "input/results.h"

namespace talv_fuzz {

inline void require(bool ok, const char *what) {
    if (!ok) {
        std::fprintf(stderr, "unsound answer: %s\n", what);
        __builtin_trap();
    }
}

// Where the messages go: a fuzzer prints them by the million.
inline std::FILE *quiet() {
    static std::FILE *sink = std::fopen("/dev/null", "w");
    return sink;
}

// A form with a non-ASCII name, a range and a field no column names.
inline const talvhost::Form &reader_form(talvhost::Converter &conv) {
    static const talvhost::Form form = talvhost::parse_form(
        R"({"fields": [{"name": "A1", "check": "@ == 1"}, {"name": "A2"}, {"name": "金額"},
            {"name": "T", "check": "sum([A1..2]) == @"}, {"name": "MEMO", "excluded": true}]})",
        "form.json", conv);
    return form;
}

// The first byte picks the options; the rest is the file.
inline void run_reader_input(const uint8_t *data, size_t size, talvhost::ResultsFormat format) {
    static const std::string path = [] {
        char name[] = "/tmp/talv-reader-fuzz-XXXXXX";
        int fd = mkstemp(name);
        require(fd >= 0, "no temporary file");
        close(fd);
        return std::string(name);
    }();
    if (size == 0) return;
    const uint8_t options = data[0];
    std::FILE *f = std::fopen(path.c_str(), "wb");
    require(f != nullptr, "temporary file not writable");
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    talvhost::Converter conv;
    talvhost::Diagnostics diag(quiet());
    talvhost::ReadOptions opts;
    opts.format = format;
    opts.encoding = options & 1 ? talvhost::Encoding::Cp932 : talvhost::Encoding::Utf8;
    opts.delimiter = "\0;\t,"[(options >> 1) & 3];
    if (options & 8) opts.id_column = "ID";
    if (options & 16) opts.keep = {"SCAN"};
    opts.ignore_unknown = options & 32;
    try {
        talvhost::Batch batch = talvhost::read_results(path, reader_form(conv), opts, conv, diag);
        require(batch.forms == static_cast<long>(batch.records.size()) + batch.rejected, "counts do not add up");
        long last = 0;
        for (const talvhost::Record &r : batch.records) {
            require(r.number > last && r.number <= batch.forms, "form numbers out of order");
            require(r.fields() == reader_form(conv).fields.size(), "a record without every field");
            for (std::size_t i = 0; i < r.fields(); ++i)
                require(r.value(i).size() <= talvhost::kValueLimit, "a value past the limit");
            last = r.number;
        }
    } catch (const talvhost::InputError &) {
        // Nothing readable: said, and nothing checked.
    }
}

}  // namespace talv_fuzz
