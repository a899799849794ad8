#include "batch.h"

#include <functional>

#include <fmt/format.h>

#include "check/lint.h"
#include "report/summary_keys.h"
#include "report/finding_detail.h"
#include "check/trace_text.h"

namespace talvpy {

using namespace talvhost;

namespace {

using Said = Diagnostics::Said;

// What tell_lint prints for the command, as messages to hand on.
void say_lint(const LintReport &report, const Form &form, Converter &conv, bool strict, std::vector<Said> &said) {
    for (const LintFinding &f : report.findings) {
        const FieldDef &def = form.fields[f.field];
        std::string code = code_words(f.out, f.ret);
        std::string place = Place{form.path, 0, 0, def.name}.describe();
        if (f.out == 0 && f.ret == 0) {
            said.push_back({false, visible(fmt::format("{}: the field is excluded (no check may reference it) but "
                                                       "has a check; it is evaluated all the same",
                                                       place))});
            continue;
        }
        bool broken = f.verdict == LintVerdict::Broken;
        std::string text = fmt::format("{}: the check does not certify [{}]: {}; {}", place, code, f.message,
                                       !broken  ? "it is evaluated all the same"
                                       : strict ? "strict=True: no form is checked"
                                                : "it is skipped on every form");
        // As tell_lint prints it: the expression under the message, and
        // where parsing stopped under that.
        text = visible(text) + "\n    check: " + visible(display_expression(def.sjis_check, conv));
        if (!f.caret.empty()) text += "\n           " + f.caret;
        said.push_back({broken, std::move(text)});
    }
}

void count(Summary &s, const FormResult &result, long left_out) {
    s.checks += result.checks;
    s.passed += result.passed;
    s.failed += result.failed;
    s.errors += result.errors;
    s.column_missing += left_out;
    if (!result.findings.empty()) ++s.flagged;
    for (const Finding &f : result.findings) {
        ++s.findings;
        FieldTally &tally = s.by_field[f.field];
        (classify(f.out, f.ret) == Outcome::Failed ? tally.failed : tally.errors)++;
    }
}

}  // namespace

BatchOutcome run_batch(const LoadedForm &loaded, const OpenReader &open, const BatchOptions &opts,
                       const std::string &results_path) {
    Converter &conv = converter();
    BatchOutcome out;
    Summary &s = out.summary;
    s.by_field.resize(loaded.form.fields.size());
    s.timing = false;

    Form form = loaded.form;
    LintReport lint = lint_form(form, conv);
    say_lint(lint, form, conv, opts.strict, out.said);
    if (opts.strict && lint.broken) {
        for (const Said &said : out.said)
            if (said.error) throw FormFault{InputError(Place{}, said.text)};
    }
    drop_broken_checks(lint, form);

    std::vector<Said> reader_said;
    Diagnostics diag(&reader_said);
    std::unique_ptr<FormReader> reader = open(form, diag);
    auto hand_on = [&](std::size_t from) {
        for (std::size_t i = from; i < reader_said.size(); ++i) out.said.push_back(std::move(reader_said[i]));
        reader_said.clear();
    };
    hand_on(0);

    Form checked = form;
    long left_out = 0;
    if (!opts.allow_missing) {
        std::string names;
        left_out = leave_out_unread(checked, reader->missing_fields(), conv, names);
        if (left_out > 0)
            out.said.push_back({true, visible(missing_columns_error(results_path, form, names, left_out, opts.words).full())});
    }
    Checker checker(checked, conv);
    start_checker(checker);
    attach_detail(checker, opts.detail);
    auto *naming = dynamic_cast<const FaultNaming *>(reader.get());

    for (;;) {
        Record rec;
        FormReader::Next next;
        try {
            next = reader->next(rec);
        } catch (const InputError &e) {
            hand_on(0);
            out.said.push_back({true, visible(InputError(e.place(), fmt::format("{}; reading stopped: the {} form{} before "
                                                                        "it are checked, any after it are not",
                                                                        e.what(), s.forms, s.forms == 1 ? "" : "s"))
                                          .full())});
            break;
        }
        if (next == FormReader::Next::End) break;
        ++s.forms;
        if (next == FormReader::Next::Bad) {
            ++s.not_checked;
            RejectedRow row{rec.number, rec.id, naming ? naming->last_fault_field() : std::nullopt, {}};
            for (const Said &said : reader_said) row.message += (row.message.empty() ? "" : "; ") + said.text;
            if (row.message.empty() && naming) row.message = visible(naming->last_fault_message());
            reader_said.clear();
            out.rejected.push_back(std::move(row));
            continue;
        }
        hand_on(0);
        FormResult result = checker.check(rec);
        count(s, result, left_out);
        for (Finding &f : result.findings) {
            std::vector<std::pair<std::size_t, std::string>> shown;
            for (std::size_t field : loaded.show[f.field]) shown.emplace_back(field, shown_value(rec, field, conv));
            out.found.push_back({rec.number, rec.id, std::move(f), std::move(shown)});
        }
    }
    hand_on(0);
    s.skipped = lint.broken * (s.forms - s.not_checked);
    s.shown = s.findings;
    return out;
}

namespace {

// A list of n items filled by PyList_SET_ITEM, which takes the reference.
py::list filled(std::size_t n, const std::function<py::object(std::size_t)> &item) {
    py::list out(n);
    for (std::size_t i = 0; i < n; ++i) PyList_SET_ITEM(out.ptr(), static_cast<Py_ssize_t>(i), item(i).release().ptr());
    return out;
}

}  // namespace

ColumnWords python_words() {
    ColumnWords words;
    words.keep = "keep= it if it is meant";
    words.id = "id_column";
    words.allow_missing = "allow_missing=True reads a missing column as empty";
    return words;
}

Detail detail_of(bool explain, bool suggest) {
    return suggest ? Detail::Suggest : explain ? Detail::Explain : Detail::None;
}

py::tuple outcome_tuple(const LoadedForm &loaded, const BatchOutcome &out) {
    const auto &fields = loaded.form.fields;
    const std::vector<FoundRow> &rows = out.found;
    // One list per column, each built once: a DataFrame is made of them
    // without a Python object per finding in between.
    std::vector<py::str> names;
    for (const FieldDef &def : fields) names.emplace_back(def.name);
    const py::str words[] = {py::str(outcome_word(Outcome::Passed)), py::str(outcome_word(Outcome::Failed)),
                             py::str(outcome_word(Outcome::Error))};
    auto finding = [&](std::size_t i) -> const Finding & { return rows[i].finding; };
    py::tuple found = py::make_tuple(
        filled(rows.size(), [&](std::size_t i) { return py::int_(rows[i].form); }),
        filled(rows.size(), [&](std::size_t i) { return py::object(text_of(rows[i].id)); }),
        filled(rows.size(), [&](std::size_t i) { return py::object(names[finding(i).field]); }),
        filled(rows.size(),
               [&](std::size_t i) {
                   return py::object(words[static_cast<int>(classify(finding(i).out, finding(i).ret))]);
               }),
        filled(rows.size(), [&](std::size_t i) { return py::int_(finding(i).out); }),
        filled(rows.size(), [&](std::size_t i) { return py::object(text_of(finding(i).message)); }),
        filled(rows.size(), [&](std::size_t i) { return py::object(shown_values(loaded, rows[i].shown)); }),
        filled(rows.size(), [&](std::size_t i) {
            return finding(i).detail.empty() ? py::object(py::none()) : py::object(py::str(finding(i).detail));
        }));
    py::list rejected;
    for (const RejectedRow &r : out.rejected)
        rejected.append(py::make_tuple(r.form, text_of(r.id),
                                       r.field ? py::object(py::str(fields[*r.field].name)) : py::object(py::none()),
                                       text_of(r.message)));
    py::list said;
    for (const Said &m : out.said) said.append(py::make_tuple(m.error, text_of(m.text)));
    std::string summary = summary_json(out.summary, loaded.form).dump(-1, ' ', false,
                                                                      nlohmann::json::error_handler_t::replace);
    return py::make_tuple(found, rejected, summary, said);
}

}  // namespace talvpy
