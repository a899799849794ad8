#include "explain.h"

#include <optional>

#include "trace_text.h"

namespace talvpy {

using namespace talvhost;

std::vector<CallResult> evaluate_form_traced(Checker &checker, Converter &conv, const Form &form,
                                             const Record &record, std::vector<std::string> &traces) {
    std::vector<CallResult> results;
    checker.host().serve(&record);
    for (std::size_t i = 0; i < form.fields.size(); ++i) {
        const FieldDef &def = form.fields[i];
        if (!def.check) continue;
        CallResult r;
        r.field = i;
        checker.host().forget_missing();
        std::vector<TraceStep> steps;
        {
            // Around the evaluation only: the message lookup after it may
            // evaluate again in certify mode.
            TraceCollector trace;
            r.ret = PPR_eval(&r.out, def.sjis_name.c_str(), def.sjis_check.c_str());
            steps = trace.take();
        }
        r.message = checker.explain(def.sjis_name, def.sjis_check, r.out, r.ret);
        nlohmann::ordered_json json = trace_json(steps, def.sjis_check, conv);
        for (std::size_t s = 0; s < steps.size(); ++s)
            json[s]["description"] = describe_step(steps[s], def.sjis_check, conv);
        traces.push_back(json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
        results.push_back(std::move(r));
    }
    checker.host().serve(nullptr);
    return results;
}

}  // namespace talvpy
