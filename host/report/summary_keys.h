// The keys of a batch's summary, in the order the JSON report writes them:
// the one list every front end takes them from (the command's report, the
// Python package's attrs["summary"], the Dask front end's sums).
#pragma once

#include <cstddef>

#include <nlohmann/json.hpp>

#include "input/form.h"
#include "report/report.h"

namespace talvhost {

struct SummaryKey {
    enum class Kind {
        Count,     // a count, summed over parts of a batch
        Nonzero,   // a count written only when not 0, for readers of the older summary
        Timing,    // written only with timing on; not summed
        ByField,   // {field: {"failed", "errors"}}, in the form's order
    };
    const char *name;
    Kind kind;
};

inline constexpr SummaryKey kSummaryKeys[] = {
    {"forms", SummaryKey::Kind::Count},
    {"not_checked", SummaryKey::Kind::Count},
    {"crashed", SummaryKey::Kind::Count},
    {"checks", SummaryKey::Kind::Count},
    {"passed", SummaryKey::Kind::Count},
    {"failed", SummaryKey::Kind::Count},
    {"errors", SummaryKey::Kind::Count},
    {"column_missing", SummaryKey::Kind::Nonzero},
    {"flagged", SummaryKey::Kind::Count},
    {"skipped", SummaryKey::Kind::Nonzero},
    {"seconds", SummaryKey::Kind::Timing},
    {"forms_per_second", SummaryKey::Kind::Timing},
    {"jobs", SummaryKey::Kind::Timing},
    {"by_field", SummaryKey::Kind::ByField},
    {"findings", SummaryKey::Kind::Count},
    {"shown", SummaryKey::Kind::Count},
};

// The summary as the JSON report's "summary" object.
nlohmann::ordered_json summary_json(const Summary &s, const Form &form);

}  // namespace talvhost
