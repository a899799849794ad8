// The form's checks certified once before a batch, so that a fault of an
// expression is told once, with its place, instead of on every form.
#pragma once

#include <string>
#include <vector>

#include "check/checker.h"
#include "input/diagnostics.h"
#include "check/hints.h"

namespace talvhost {

enum class LintVerdict {
    Clean,
    Broken,    // fails the same way on every form: the check is skipped
    Warning,   // a design fault certify mode sees; the values may still pass
    Unsure,    // an error that may come of the blank values certify mode reads
    Unread,    // the text ends early (a "$", a double-byte character): a warning, an error under --strict
};

// Which of these a certify answer is.
LintVerdict lint_verdict(uint32_t code, uint32_t ret);

struct LintFinding {
    std::size_t field = 0;
    LintVerdict verdict = LintVerdict::Clean;
    uint32_t out = 0, ret = 0;
    std::string message;    // UTF-8
    std::string caret;      // the underline of where parsing stopped (or of the text never read), or ""
    std::string hint;       // the slip that likely explains it (UTF-8), or ""
    std::optional<Unread> unread;  // Unread findings: what the library never read
};

struct LintReport {
    std::vector<LintFinding> findings;  // the checks not clean, in field order
    long broken = 0, warnings = 0;
    long unread = 0;  // checks whose text ends early; counted apart from warnings
    // Whether the batch must not run: a broken check under --strict, and
    // under --strict text never read too.
    bool stops(bool strict) const { return strict && (broken || unread); }
};

// Certifies every check of the form.
LintReport lint_form(const Form &form, Converter &conv);

// Tells each broken check (an error) and each warning on standard error;
// strict: the run stops for a broken check instead of skipping it, and text
// never read is an error.
void tell_lint(const LintReport &report, const Form &form, Converter &conv, Diagnostics &diag, bool strict);

// The checks of the broken fields taken out of the form, so that the batch
// does not evaluate them.
void drop_broken_checks(const LintReport &report, Form &form);

}  // namespace talvhost
