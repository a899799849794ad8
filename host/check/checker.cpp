#include "check/checker.h"

#include <cstring>

#include <fmt/format.h>

#include "talvechk_messages.h"
#include "check/translation.h"

namespace talvhost {

Outcome classify(uint32_t out, uint32_t ret) {
    if (ret != 0) return Outcome::Error;
    if (out == TALV_OK) return Outcome::Passed;
    if (out == TALV_FALSE) return Outcome::Failed;
    return Outcome::Error;
}

const char *outcome_word(Outcome outcome) {
    switch (outcome) {
    case Outcome::Passed: return "passed";
    case Outcome::Failed: return "failed";
    case Outcome::Error: return "error";
    }
    return "?";
}

Checker::Checker(const Form &form, Converter &conv) : form_(form), conv_(conv), host_(form) {}

Checker::~Checker() {
    if (started_) PPR_end();
}

uint32_t Checker::start() {
    uint32_t rc = host_.install();
    started_ = rc == 0;
    return rc;
}

std::string Checker::explain(const std::string &field, const std::string &expr, uint32_t out, uint32_t ret) {
    // A refused call says more through its return value (which carries the
    // detail) than through the out-code of an internal error.
    if (ret != 0) return library_message(conv_, ret);
    if (!talv_message_takes_name(out)) return library_message(conv_, out);

    // PPR_eval keeps the name to itself; the certify record carries it.
    PPR_CERTIFY_RESULT record;
    if (out == TALV_E_NO_FIELD && !host_.missing().empty()) {
        // The host knows which field it could not serve.
        std::memset(&record, 0, sizeof record);
        record.code = out;
        std::strncpy(record.text, host_.missing().c_str(), sizeof record.text - 1);
        return record_message(conv_, record);
    }
    std::memset(&record, 0, sizeof record);
    // Certify mode stops at the same structural faults (unknown function,
    // unset variable, wrong arguments); use its name only when it met the
    // same one.
    if (PPR_certify(&record, field.c_str(), expr.c_str()) == 0 && record.code == out) {
        record.text[sizeof record.text - 1] = '\0';
        return record_message(conv_, record);
    }
    return library_message(conv_, out);
}

FormResult Checker::check(const Record &record) {
    FormResult result;
    result.number = record.number;
    host_.serve(&record);
    if (detail_) detail_->begin_form();
    for (std::size_t i = 0; i < form_.fields.size(); ++i) {
        const FieldDef &def = form_.fields[i];
        if (!def.check) continue;
        ++result.checks;
        uint32_t out = TALV_E_INTERNAL;
        host_.forget_missing();
        uint32_t ret = PPR_eval(&out, def.sjis_name.c_str(), def.sjis_check.c_str());
        switch (classify(out, ret)) {
        case Outcome::Passed: ++result.passed; continue;
        case Outcome::Failed: ++result.failed; break;
        case Outcome::Error: ++result.errors; break;
        }
        result.findings.push_back(Finding{static_cast<uint32_t>(i), out, ret, explain(def.sjis_name, def.sjis_check, out, ret), {}});
        if (detail_) result.findings.back().detail = detail_->describe(record, i);
    }
    host_.serve(nullptr);
    return result;
}

}  // namespace talvhost
