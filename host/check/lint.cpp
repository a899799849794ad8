#include "check/lint.h"

#include <fmt/format.h>

#include "check/single_calls.h"
#include "check/translation.h"
#include "check/trace_text.h"

namespace talvhost {

LintVerdict lint_verdict(uint32_t code, uint32_t ret) {
    if (ret != 0) {
        // A name or text the library refuses whatever the values; any other
        // refusal is no fault of the expression.
        uint32_t detail = ret & 0xFFFFu;
        return detail == 0x2E04u || detail == 0x2E05u ? LintVerdict::Broken : LintVerdict::Unsure;
    }
    switch (code) {
    case TALV_OK: return LintVerdict::Clean;
    case TALV_E_SYNTAX:
    case TALV_E_NO_FIELD:
    case TALV_E_NO_FUNCTION:
    case TALV_E_PARENTHESES:
    case TALV_E_TOO_LONG:
        return LintVerdict::Broken;
    case TALV_E_FIELD_EXCLUDED:
    case TALV_E_FIELD_NOT_NUMERIC:
        return LintVerdict::Warning;
    default:
        // Numbers that do not read, a division by zero, wrong arguments, an
        // unset variable: the blank values certify mode reads can cause them.
        return LintVerdict::Unsure;
    }
}

LintReport lint_form(const Form &form, Converter &conv) {
    LintReport report;
    Checker checker(form, conv);
    if (checker.start() != 0) return report;  // the batch says so itself
    checker.host().serve(nullptr);
    for (std::size_t i = 0; i < form.fields.size(); ++i) {
        const FieldDef &def = form.fields[i];
        if (!def.check) continue;
        PPR_CERTIFY_RESULT record;
        std::vector<TraceStep> steps;
        const uint32_t ret = certify_check(def, record, &steps);
        LintVerdict verdict = lint_verdict(record.code, ret);
        std::optional<Unread> unread = find_unread(steps, def.sjis_check);
        if (unread && verdict != LintVerdict::Broken) {
            // Certify mode passes it, and so may every form: the check
            // is not the one its designer wrote.
            LintFinding u;
            u.field = i;
            u.verdict = LintVerdict::Unread;
            u.message = unread_message(*unread, conv);
            u.caret = underline(def.sjis_check, unread->start, unread->length);
            u.unread = unread;
            ++report.unread;
            report.findings.push_back(std::move(u));
        }
        if (def.excluded && (verdict == LintVerdict::Clean || verdict == LintVerdict::Unsure)) {
            // Excluded fields are free text no check may read; one with a
            // check of its own is likely a slip of the definition.
            LintFinding w;
            w.field = i;
            w.verdict = LintVerdict::Warning;
            ++report.warnings;
            report.findings.push_back(std::move(w));
        }
        if (verdict == LintVerdict::Clean || verdict == LintVerdict::Unsure) continue;
        LintFinding f;
        f.field = i;
        f.verdict = verdict;
        f.out = record.code;
        f.ret = ret;
        f.message = ret != 0 ? library_message(conv, ret) : record_message(conv, record);
        f.caret = error_caret(steps, def.sjis_check, record.code, conv);
        f.hint = error_hint(steps, def.sjis_check, record.code, conv);
        (verdict == LintVerdict::Broken ? report.broken : report.warnings)++;
        report.findings.push_back(std::move(f));
    }
    return report;
}

void tell_lint(const LintReport &report, const Form &form, Converter &conv, Diagnostics &diag, bool strict) {
    for (const LintFinding &f : report.findings) {
        const FieldDef &def = form.fields[f.field];
        std::string code = code_words(f.out, f.ret);
        Place place{form.path, 0, 0, def.name};
        if (f.verdict == LintVerdict::Unread) {
            if (strict) {
                diag.error(InputError(place, f.message + "; --strict: no form is checked"));
            } else {
                std::fflush(stdout);
                fmt::print(stderr, "talvechk: warning: {}\n",
                           visible(fmt::format("{}: {}; it is evaluated all the same", place.describe(), f.message)));
            }
            fmt::print(stderr, "{}", expression_lines(def.sjis_check, conv, f.caret, f.hint));
            continue;
        }
        if (f.out == 0 && f.ret == 0) {
            std::fflush(stdout);
            fmt::print(stderr, "talvechk: warning: {}\n",
                       visible(fmt::format("{}: the field is excluded (no check may reference it) but has a check; "
                                           "it is evaluated all the same", place.describe())));
            continue;
        }
        if (f.verdict == LintVerdict::Broken) {
            diag.error(InputError(place, fmt::format("the check does not certify [{}]: {}; {}", code, f.message,
                                                     strict ? "--strict: no form is checked"
                                                            : "it is skipped on every form")));
        } else {
            std::fflush(stdout);
            fmt::print(stderr, "talvechk: warning: {}\n",
                       visible(fmt::format("{}: the check does not certify [{}]: {}; it is evaluated all the same",
                                           place.describe(), code, f.message)));
        }
        fmt::print(stderr, "{}", expression_lines(def.sjis_check, conv, f.caret, f.hint));
    }
    std::fflush(stderr);
}

void drop_broken_checks(const LintReport &report, Form &form) {
    for (const LintFinding &f : report.findings)
        if (f.verdict == LintVerdict::Broken) form.fields[f.field].check.reset();
}

}  // namespace talvhost
