// One batch of forms checked as `talvechk check` checks a file: lint first
// (a check that cannot certify is skipped on every form), the column rules
// (a check reading a field with no column is not made), then every form
// the reader gives, counted into the command's summary.  Shared by
// check_frame (a reader over a table's cells) and the Dask front end (the
// host's readers over one block of a file).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "check/checker.h"
#include "input/columns.h"
#include "core.h"
#include "report/report.h"
#include "input/results.h"

namespace talvpy {

struct BatchOptions {
    bool allow_missing = false;
    bool strict = false;
    talvhost::Detail detail = talvhost::Detail::None;
    talvhost::ColumnWords words;
};

struct FoundRow {
    long form = 0;  // the reader's form number
    std::string id;
    talvhost::Finding finding;
    std::vector<std::pair<std::size_t, std::string>> shown;
};

struct RejectedRow {
    long form = 0;
    std::string id;
    std::optional<std::size_t> field;
    std::string message;
};

struct BatchOutcome {
    std::vector<FoundRow> found;
    std::vector<RejectedRow> rejected;
    talvhost::Summary summary;
    std::vector<talvhost::Diagnostics::Said> said;  // what the command says on standard error
};

// What a reader says of a bad form beyond its messages: the field at fault.
class FaultNaming {
public:
    virtual ~FaultNaming() = default;
    virtual std::optional<std::size_t> last_fault_field() const = 0;
    virtual std::string last_fault_message() const = 0;
};

using OpenReader = std::function<std::unique_ptr<talvhost::FormReader>(const talvhost::Form &, talvhost::Diagnostics &)>;

// Runs under the library lock; throws FormFault (strict and a check that
// does not certify) or InputError (nothing can be read).
BatchOutcome run_batch(const LoadedForm &loaded, const OpenReader &open, const BatchOptions &opts,
                       const std::string &results_path);

// The outcome as Python objects: (findings, rejected, summary JSON text,
// messages).  findings as a tuple of columns, each a list with one item per
// finding: form, id, field, outcome, code, message, values, detail JSON
// text or None; rejected as rows (form, id, field, message); messages as
// (is_error, text).
py::tuple outcome_tuple(const LoadedForm &loaded, const BatchOutcome &out);

// How the Python front ends name the options the command's messages name.
talvhost::ColumnWords python_words();
talvhost::Detail detail_of(bool explain, bool suggest);

void bind_blocks(py::module_ &m, py::class_<LoadedForm> &form_class);

}  // namespace talvpy
