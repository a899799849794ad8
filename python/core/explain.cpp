#include "explain.h"

#include <optional>

#include "trace_text.h"

namespace talvpy {

using namespace talvhost;

std::vector<CallResult> evaluate_form_traced(Checker &checker, Converter &conv, const Form &form,
                                             const Record &record, std::vector<std::string> &traces) {
    std::vector<std::vector<TraceStep>> steps;
    std::vector<CallResult> results = evaluate_form(checker, form, record, &steps);
    for (std::size_t c = 0; c < results.size(); ++c) {
        const std::string &check = form.fields[results[c].field].sjis_check;
        nlohmann::ordered_json json = trace_json(steps[c], check, conv);
        for (std::size_t s = 0; s < steps[c].size(); ++s)
            json[s]["description"] = describe_step(steps[c][s], check, conv);
        traces.push_back(json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    }
    return results;
}

}  // namespace talvpy
