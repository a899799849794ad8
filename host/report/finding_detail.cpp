#include "report/finding_detail.h"

#include <memory>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "report/explain.h"
#include "report/suggest.h"

namespace talvhost {

namespace {

// The check is evaluated again, traced; with suggestions, the candidates
// are tried within the form's budget.
class ExplainedDetail final : public FindingDetail {
public:
    ExplainedDetail(Checker &checker, Detail detail, std::size_t budget) : checker_(checker) {
        if (detail == Detail::Suggest)
            suggester_ = std::make_unique<Suggester>(checker.form(), checker.converter(), checker.host(),
                                                     budget ? budget : kSuggestBudget);
    }

    void begin_form() override {
        if (suggester_) suggester_->begin_form();
    }

    std::string describe(const Record &record, std::size_t field) override {
        nlohmann::ordered_json j = explain_check(checker_.form().fields[field], checker_.converter());
        if (suggester_) {
            j["suggestions"] = suggester_->candidates(record, field);
            j["tries"] = suggester_->last_tries();
            if (suggester_->cut_short())
                j["cut_short"] =
                    fmt::format("suggestions cut short: budget of {} evaluations used", suggester_->budget());
        }
        return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }

private:
    Checker &checker_;
    std::unique_ptr<Suggester> suggester_;
};

}  // namespace

void attach_detail(Checker &checker, Detail detail, std::size_t suggest_budget) {
    if (detail == Detail::None) {
        checker.set_detail(nullptr);
        return;
    }
    checker.set_detail(std::make_unique<ExplainedDetail>(checker, detail, suggest_budget));
}

}  // namespace talvhost
