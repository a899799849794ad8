// Evaluates the checks of one form after another through the library's
// public entry points, and words their outcomes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "input/encoding.h"
#include "input/form.h"
#include "check/host.h"
#include "input/results.h"
#include "check/translation.h"

namespace talvhost {

enum class Outcome { Passed, Failed, Error };

// Passed: out-code 0; failed: the check is false; error: anything else,
// including a refusal of the entry point itself.
Outcome classify(uint32_t out, uint32_t ret);
const char *outcome_word(Outcome outcome);

struct Finding {
    uint32_t field;   // index into the form's fields
    uint32_t out;     // out-code
    uint32_t ret;     // return value of the entry point
    std::string message;  // UTF-8
    std::string detail;   // JSON object {"check", "explain", "suggestions"}; empty unless asked for
};

// What a finding carries beyond its code and message.
enum class Detail { None, Explain, Suggest };

struct FormResult {
    long number = 0;  // the record's form number
    uint32_t checks = 0, passed = 0, failed = 0, errors = 0;
    std::vector<Finding> findings;  // the checks that did not pass, in field order
};

// Writes a finding's detail (its explanation, its correction candidates).
// The report side provides it (report/finding_detail.h), so that the
// checker yields findings and knows nothing of how they are explained.
class FindingDetail {
public:
    virtual ~FindingDetail() = default;
    virtual void begin_form() {}
    // The JSON object of Finding::detail for the check of `field`.
    virtual std::string describe(const Record &record, std::size_t field) = 0;
};

class Checker {
public:
    Checker(const Form &form, Converter &conv);
    ~Checker();

    // Installs the callbacks; returns PPR_init's answer (0 when installed).
    uint32_t start();
    FormResult check(const Record &record);

    // The outcome of one evaluation as a finding's message, with the name
    // filled in where the message has one.
    // field and expr are what PPR_eval was given.
    std::string explain(const std::string &field, const std::string &expr, uint32_t out, uint32_t ret);

    FormHost &host() { return host_; }
    const Form &form() const { return form_; }
    Converter &converter() { return conv_; }

    // Only findings pay for it; none: findings carry no detail.
    void set_detail(std::unique_ptr<FindingDetail> detail) { detail_ = std::move(detail); }

private:
    const Form &form_;
    Converter &conv_;
    FormHost host_;
    bool started_ = false;
    std::unique_ptr<FindingDetail> detail_;
};

}  // namespace talvhost
