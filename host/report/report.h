// Output of `talvechk check`: the checks that did not pass and a summary, as
// text for people, JSON Lines or CSV for programs.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "check/checker.h"
#include "input/encoding.h"
#include "input/form.h"
#include "input/check_reads.h"
#include "input/results.h"

namespace talvhost {

enum class OutputFormat { Text, Json, Csv };

struct FieldTally {
    long failed = 0, errors = 0;
};

struct Summary {
    long forms = 0;        // forms in the file
    long not_checked = 0;  // left out: bad input, or the worker checking them died
    long crashed = 0;      // of those, the ones whose worker died
    long checks = 0, passed = 0, failed = 0, errors = 0;
    long skipped = 0;      // evaluations left out: the check does not certify
    long column_missing = 0;  // checks not made: they read a field the results have no column for
    long flagged = 0;      // forms with a check that did not pass
    long findings = 0, shown = 0;
    std::vector<FieldTally> by_field;  // per field of the form
    bool timing = true;
    double seconds = 0;
    int jobs = 1;
};


// How the CSV report is written, for spreadsheets that open it as is.
struct CsvOptions {
    bool bom = false;            // a UTF-8 byte-order mark first
    bool cp932 = false;          // CP932 instead of UTF-8; "?" for what CP932 lacks
    bool value_columns = false;  // one column per field read instead of the packed "values" cell
    bool formula_safe = false;   // a cell a spreadsheet would take for a formula gets a leading apostrophe
};

class Reporter {
public:
    virtual ~Reporter() = default;
    virtual void finding(const Record &record, const Finding &finding) = 0;
    virtual void summary(const Summary &summary) = 0;
};

// detail: findings carry an explanation (CSV gives it columns).
std::unique_ptr<Reporter> make_reporter(OutputFormat format, std::FILE *out, const Form &form, Converter &conv,
                                        bool has_id, bool detail = false, const CsvOptions &csv = {});

// UTF-8 text in CP932, each character CP932 has no code for (or a byte that
// is no UTF-8) as "?".
std::string lossy_cp932(Converter &conv, std::string_view utf8);


// A value as the user gave it, in UTF-8.
std::string shown_value(const Record &record, std::size_t field, Converter &conv);

}  // namespace talvhost
