#include "report/summary_keys.h"

#include <string_view>

namespace talvhost {

namespace {

// The value of one key; null for a key this summary does not write.
nlohmann::ordered_json value_of(const Summary &s, const Form &form, const SummaryKey &key) {
    std::string_view name = key.name;
    if (key.kind == SummaryKey::Kind::Timing) {
        if (!s.timing) return nullptr;
        if (name == "seconds") return s.seconds;
        if (name == "forms_per_second")
            return s.seconds > 0 ? static_cast<double>(s.forms - s.not_checked) / s.seconds : 0.0;
        return s.jobs;
    }
    if (key.kind == SummaryKey::Kind::ByField) {
        nlohmann::ordered_json by_field = nlohmann::ordered_json::object();
        for (std::size_t i = 0; i < form.fields.size() && i < s.by_field.size(); ++i) {
            if (!s.by_field[i].failed && !s.by_field[i].errors) continue;
            by_field[form.fields[i].name] = {{"failed", s.by_field[i].failed}, {"errors", s.by_field[i].errors}};
        }
        return by_field;
    }
    const std::pair<std::string_view, long> counts[] = {
        {"forms", s.forms},   {"not_checked", s.not_checked},       {"crashed", s.crashed},
        {"checks", s.checks}, {"passed", s.passed},                 {"failed", s.failed},
        {"errors", s.errors}, {"column_missing", s.column_missing}, {"flagged", s.flagged},
        {"skipped", s.skipped}, {"findings", s.findings},           {"shown", s.shown},
    };
    for (const auto &[n, v] : counts)
        if (n == name) {
            if (key.kind == SummaryKey::Kind::Nonzero && v == 0) return nullptr;
            return v;
        }
    return nullptr;
}

}  // namespace

nlohmann::ordered_json summary_json(const Summary &s, const Form &form) {
    nlohmann::ordered_json j = nlohmann::ordered_json::object();
    for (const SummaryKey &key : kSummaryKeys)
        if (nlohmann::ordered_json v = value_of(s, form, key); !v.is_null()) j[key.name] = std::move(v);
    return j;
}

}  // namespace talvhost
