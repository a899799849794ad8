// One library call at a time, worded, for front ends that hand over a
// single form or expression rather than a batch (the Python module).  The
// caller has started a Checker for the form; these functions use its
// callbacks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "check/checker.h"
#include "check/trace_text.h"

namespace talvhost {

struct CallResult {
    std::size_t field = 0;  // index into the form's fields (per-check results only)
    uint32_t out = TALV_E_INTERNAL;
    uint32_t ret = 0;
    std::string message;  // UTF-8
    Outcome outcome() const { return classify(out, ret); }
};

// Every check of the form on one record, the passed ones included, in field
// order.  With steps, each check's trace is collected too, one entry per
// result.
std::vector<CallResult> evaluate_form(Checker &checker, const Form &form, const Record &record,
                                      std::vector<std::vector<TraceStep>> *steps = nullptr);

// One check in certify mode: the record zeroed, filled and its text
// terminated; with steps, the call's trace is kept there.  Returns
// PPR_certify's answer.
uint32_t certify_check(const FieldDef &def, PPR_CERTIFY_RESULT &record, std::vector<TraceStep> *steps = nullptr);

// Every check of the form in certify mode (no values), in field order.
std::vector<CallResult> certify_form(Checker &checker, Converter &conv, const Form &form);

// One expression for one field (both CP932) over the record the checker
// serves.  With steps, the evaluation's trace is kept there (the call only,
// not the message lookup after it, which may evaluate again).
CallResult evaluate_expression(Checker &checker, Converter &conv, const std::string &field,
                               const std::string &expr, bool certify, std::vector<TraceStep> *steps = nullptr);

// A form of plain fields with the given names (UTF-8), for evaluating an
// expression without a definition; names given twice count once.  origin
// stands for the file in its errors.
Form adhoc_form(const std::vector<std::string> &names, Converter &conv, const std::string &origin = "values");

// A code's message, with the name filled in where the message has one;
// what names the name in the error when it has no CP932 form.
std::string code_message(Converter &conv, uint32_t code, const std::optional<std::string> &name_utf8,
                         const std::string &what = "name");

// For a wrong-arguments code (0xA0nn000A), which functions row nn stands
// for, in words: the built-in and the companion library's of that row (the
// code does not say which table); "" for any other code.
std::string function_row_note(uint32_t code);

// Indexes into names (CP932) of the fields the expression (CP932)
// references, as the library lists them; throws InputError when the
// library refuses.
std::vector<std::size_t> referenced_fields(Converter &conv, const std::vector<std::string> &names,
                                           const std::string &expr);

}  // namespace talvhost
