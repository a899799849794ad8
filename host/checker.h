// Evaluates the checks of one form after another through the library's
// public entry points, and words their outcomes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "encoding.h"
#include "form.h"
#include "host.h"
#include "results.h"

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

class Suggester;

struct FormResult {
    long number = 0;  // the record's form number
    uint32_t checks = 0, passed = 0, failed = 0, errors = 0;
    std::vector<Finding> findings;  // the checks that did not pass, in field order
};

// Message text of a code in UTF-8, or a stand-in when the library has none.
std::string library_message(Converter &conv, uint32_t code);
// The same for a certify result record (its text names the culprit).
std::string record_message(Converter &conv, const PPR_CERTIFY_RESULT &record);

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

    // Only findings pay for it: the check is evaluated again, traced.
    // suggest_budget: evaluations per form for the candidates (0: the default).
    void set_detail(Detail detail, std::size_t suggest_budget = 0);

private:
    const Form &form_;
    Converter &conv_;
    FormHost host_;
    bool started_ = false;
    Detail detail_ = Detail::None;
    std::unique_ptr<Suggester> suggester_;
    std::string finding_detail(const Record &record, std::size_t field);
};

}  // namespace talvhost
