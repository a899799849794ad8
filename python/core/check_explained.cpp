#include "check_explained.h"

#include <fmt/format.h>

#include "report/explain.h"
#include "report/suggest.h"
#include "talvechk.h"
#include "check/trace_text.h"

namespace talvpy {

using namespace talvhost;

std::vector<CallResult> evaluate_form_explained(Checker &checker, Converter &conv, const Form &form,
                                                const Record &record, bool suggest, std::vector<std::string> &details) {
    std::vector<CallResult> results = evaluate_form(checker, form, record);
    std::unique_ptr<Suggester> suggester;
    if (suggest) suggester = std::make_unique<Suggester>(form, conv, checker.host());
    for (const CallResult &r : results) {
        const FieldDef &def = form.fields[r.field];
        nlohmann::ordered_json j;
        j["check"] = display_expression(def.sjis_check, conv);
        // One check's steps at a time, and at most kExplainSteps of them:
        // a form of many fields costs no more than its longest check.
        std::vector<TraceStep> steps;
        std::size_t dropped = 0;
        checker.host().serve(&record);
        checker.host().forget_missing();
        {
            TraceCollector trace(kExplainSteps);
            uint32_t out = TALV_E_INTERNAL;
            PPR_eval(&out, def.sjis_name.c_str(), def.sjis_check.c_str());
            steps = trace.take();
            dropped = trace.dropped();
        }
        j["explain"] = decisive_steps(steps, def.sjis_check, def.name, conv);
        steps.clear();
        steps.shrink_to_fit();
        if (dropped)
            j["explain"].push_back({{"kind", "cut"},
                                    {"text", fmt::format("explanation cut: the check took {} steps; the first {} "
                                                         "are explained",
                                                         kExplainSteps + dropped, kExplainSteps)}});
        if (suggester && r.outcome() != Outcome::Passed) {
            j["suggestions"] = suggester->candidates(record, r.field);
            j["tries"] = suggester->last_tries();
        }
        checker.host().serve(nullptr);
        details.push_back(j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    }
    return results;
}

}  // namespace talvpy
