// talvechk check FORM RESULTS
#include <chrono>
#include <cstdio>

#include <fmt/format.h>

#include "argument_roles.h"
#include "input/columns.h"
#include "commands.h"
#include "check/lint.h"
#include "progress.h"
#include "workers.h"

namespace talvhost {

namespace {

// Forms read (with one job) before they are checked and reported: memory
// stays flat whatever the size of the batch.
constexpr std::size_t kChunk = 4096;

}  // namespace

int run_check(const CheckOptions &opts) {
    auto started = std::chrono::steady_clock::now();
    Converter conv;
    Diagnostics diag;
    Form form, checked;
    LintReport lint;
    std::unique_ptr<FormReader> reader;
    long left_out = 0;  // checks a form of this batch cannot have
    std::string missing_names;
    try {
        try {
            form = load_form(opts.form_path, conv);
        } catch (const InputError &) {
            if (auto swapped = results_given_as_form(opts.form_path)) {
                diag.error(*swapped);
                return kExitError;
            }
            throw;
        }
        if (auto swapped = form_given_as_results(opts.results_path, form)) {
            diag.error(*swapped);
            return kExitError;
        }
        if (form.check_count() == 0) diag.error(InputError(Place{opts.form_path, 0, 0, {}}, "no field has a check"));
        lint = lint_form(form, conv);
        tell_lint(lint, form, conv, diag, opts.strict);
        if (lint.stops(opts.strict)) return kExitError;
        drop_broken_checks(lint, form);
        reader = open_results(opts.results_path, form, opts.read, conv, diag);
    } catch (const InputError &e) {
        diag.error(e);
        return kExitError;
    }
    checked = form;
    if (!opts.allow_missing) {
        left_out = leave_out_unread(checked, reader->missing_fields(), conv, missing_names);
        if (left_out > 0)
            diag.error(missing_columns_error(opts.results_path, form, missing_names, left_out));
    }

    auto reporter = make_reporter(opts.format, stdout, form, conv, !opts.read.id_column.empty(),
                                  opts.detail != Detail::None, opts.csv);
    Summary summary;
    summary.by_field.resize(form.fields.size());
    summary.jobs = opts.jobs;
    summary.timing = opts.timing;

    Progress progress(-1, opts.progress);
    RunSinks sinks;
    sinks.result = [&](const Record &record, FormResult &&result) {
        summary.checks += result.checks;
        summary.passed += result.passed;
        summary.failed += result.failed;
        summary.errors += result.errors;
        summary.column_missing += left_out;
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
    sinks.said = [&](const Diagnostics::Said &said) {
        progress.finish_line();
        said.error ? diag.error(said.text) : diag.warning(said.text);
    };
    sinks.read = [&](long forms, long bad) {
        summary.forms += forms;
        summary.not_checked += bad;
        for (long i = 0; i < bad; ++i) progress.advance();
    };
    auto reading_stopped = [&](const InputError &e) {
        // What was read before the fault is still checked and reported.
        progress.finish_line();
        diag.error(InputError(e.place(), fmt::format("{}; reading stopped: the {} form{} before it are checked, any "
                                                     "after it are not",
                                                     e.what(), summary.forms, summary.forms == 1 ? "" : "s")));
    };
    int status = kExitPass;
    // Workers read blocks of the file's bytes themselves; one job reads here.
    const bool in_blocks = opts.jobs > 1 && reader->source();
    std::vector<Record> chunk;
    bool read_all = false;
    try {
        if (in_blocks) {
            try {
                run_blocks(BlockRun{form, checked, conv, opts.results_path, opts.read, opts.jobs, opts.detail,
                                    opts.suggest_budget},
                           *reader, sinks);
            } catch (const InputError &e) {
                reading_stopped(e);
                status = kExitError;
            }
        }
        chunk.reserve(in_blocks ? 0 : kChunk);
        while (!in_blocks && !read_all) {
            chunk.clear();
            try {
                while (chunk.size() < kChunk) {
                    Record rec;
                    FormReader::Next next = reader->next(rec);
                    if (next == FormReader::Next::End) {
                        read_all = true;
                        break;
                    }
                    ++summary.forms;
                    if (next == FormReader::Next::Good) {
                        chunk.push_back(std::move(rec));
                    } else {
                        ++summary.not_checked;
                        progress.advance();
                    }
                }
            } catch (const InputError &e) {
                reading_stopped(e);
                read_all = true;
                status = kExitError;
            }
            if (!chunk.empty()) run_checks(checked, conv, chunk, sinks, opts.detail, opts.suggest_budget);
        }
    } catch (const std::exception &e) {
        progress.finish();
        std::fflush(stdout);
        diag.error(e.what());
        status = kExitError;
    }
    progress.finish();
    summary.skipped = lint.broken * (summary.forms - summary.not_checked);
    if (status == kExitPass && summary.forms == 0)
        diag.error(InputError(Place{opts.results_path, 0, 0, {}}, "no forms in the file; nothing was checked"));
    summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    reporter->summary(summary);
    std::fflush(stdout);
    if (status == kExitError || summary.errors > 0 || diag.count() > 0) return kExitError;
    return summary.failed > 0 ? kExitFalse : kExitPass;
}

}  // namespace talvhost
