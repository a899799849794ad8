// The subcommands of talvechk; each returns the process exit status.
#pragma once

#include <string>
#include <vector>

#include "report/report.h"
#include "input/results.h"

namespace talvhost {

struct CheckOptions {
    std::string form_path, results_path;
    ReadOptions read;
    OutputFormat format = OutputFormat::Text;
    int jobs = 1;
    long limit = -1;  // findings to print; negative: all
    bool timing = true;
    bool progress = true;
    Detail detail = Detail::None;  // --explain, --suggest
    std::size_t suggest_budget = 0;  // --suggest-budget; 0: the default
    CsvOptions csv;
    bool strict = false;  // a check that does not certify stops the run before the batch
    bool allow_missing = false;  // a field without a column reads as empty
};
int run_check(const CheckOptions &opts);

struct CertifyOptions {
    std::string form_path;
    OutputFormat format = OutputFormat::Text;
    bool strict = false;  // text never read is an error, not a warning
};
int run_certify(const CertifyOptions &opts);

struct EvalOptions {
    std::string form_path;  // optional
    std::vector<std::string> assignments;  // NAME=VALUE
    std::string field;
    std::string expr;  // empty: the field's own check from the form
    bool expr_given = false;
    bool certify = false;
    bool explain = false;  // print every step of the evaluation
    bool strict = false;   // text never read: an error, and no evaluation is reported
    OutputFormat format = OutputFormat::Text;
};
int run_eval(const EvalOptions &opts);

struct FieldsOptions {
    std::string expr;
    std::vector<std::string> names;
    std::string form_path;  // names from the form when no names are given
};
int run_fields(const FieldsOptions &opts);

struct MessageOptions {
    std::string code;
    std::string name;  // fills %s
};
int run_message(const MessageOptions &opts);

}  // namespace talvhost
