// talvechk check FORM RESULTS
#include <chrono>
#include <cstdio>

#include <fmt/format.h>

#include "commands.h"
#include "lint.h"
#include "progress.h"
#include "workers.h"

namespace talvhost {

int run_check(const CheckOptions &opts) {
    auto started = std::chrono::steady_clock::now();
    Converter conv;
    Diagnostics diag;
    Form form;
    LintReport lint;
    Batch batch;
    try {
        form = load_form(opts.form_path, conv);
        if (form.check_count() == 0) diag.error(InputError(Place{opts.form_path, 0, 0, {}}, "no field has a check"));
        lint = lint_form(form, conv);
        tell_lint(lint, form, conv, diag, opts.strict);
        if (opts.strict && lint.broken) return kExitError;
        drop_broken_checks(lint, form);
        batch = read_results(opts.results_path, form, opts.read, conv, diag);
    } catch (const InputError &e) {
        diag.error(e);
        return kExitError;
    }

    auto reporter = make_reporter(opts.format, stdout, form, conv, !opts.read.id_column.empty(),
                                  opts.detail != Detail::None, opts.csv);
    Summary summary;
    summary.forms = batch.forms;
    summary.not_checked = batch.rejected;
    summary.by_field.resize(form.fields.size());
    summary.jobs = opts.jobs;
    summary.timing = opts.timing;

    Progress progress(static_cast<long>(batch.records.size()), opts.progress);
    RunSinks sinks;
    sinks.result = [&](const Record &record, FormResult &&result) {
        summary.checks += result.checks;
        summary.passed += result.passed;
        summary.failed += result.failed;
        summary.errors += result.errors;
        if (!result.findings.empty()) ++summary.flagged;
        for (const Finding &f : result.findings) {
            ++summary.findings;
            FieldTally &tally = summary.by_field[f.field];
            (classify(f.out, f.ret) == Outcome::Failed ? tally.failed : tally.errors)++;
            if (opts.limit < 0 || summary.shown < opts.limit) {
                progress.finish_line();
                reporter->finding(record, f);
                ++summary.shown;
            }
        }
        progress.advance();
    };
    sinks.lost = [&](const Record &) {
        ++summary.not_checked;
        ++summary.crashed;
        progress.advance();
    };
    sinks.say = [&](const std::string &what) {
        progress.finish_line();
        diag.error(what);
    };
    int status = kExitPass;
    try {
        run_checks(form, conv, batch.records, opts.jobs, sinks, opts.detail);
    } catch (const std::exception &e) {
        progress.finish();
        std::fflush(stdout);
        diag.error(e.what());
        status = kExitError;
    }
    progress.finish();
    summary.skipped = lint.broken * (summary.forms - summary.not_checked);
    summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    reporter->summary(summary);
    std::fflush(stdout);
    if (status == kExitError || summary.errors > 0 || diag.count() > 0) return kExitError;
    return summary.failed > 0 ? kExitFalse : kExitPass;
}

}  // namespace talvhost
