// The page's way into the host core: the designer's evaluations and the
// reviewer's batch, answered as JSON text.  Everything that decides an
// outcome, a message, a trace, a candidate or a reading fault is the core's;
// this file only carries values between it and the page's script, and
// writes the corrected results back into the bytes the file came with.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "check/checker.h"
#include "input/diagnostics.h"
#include "report/explain.h"
#include "input/form.h"
#include "check/lint.h"
#include "report/report.h"
#include "input/results.h"
#include "check/trace_text.h"
#include "check/translation.h"
#include "report/finding_detail.h"

#include "results_writer.h"

using namespace talvhost;
using json = nlohmann::ordered_json;

namespace {

std::string dump(const json &j) { return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace); }

// What the core says on standard error (the command's own warnings and
// errors) is kept in a file for the page to show.
constexpr const char *kStderrFile = "/tmp/stderr.txt";

void start_capture() {
    std::fflush(stderr);
    std::freopen(kStderrFile, "w", stderr);
}

std::string take_capture() {
    std::fflush(stderr);
    std::string text;
    if (std::FILE *f = std::fopen(kStderrFile, "rb")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
        std::fclose(f);
    }
    std::freopen(kStderrFile, "w", stderr);
    return text;
}

// The library's callbacks and state are per process: whichever form was
// installed last is the one the library asks about.
const void *g_installed = nullptr;

// A form definition with its lint and a checker over the checks that run.
struct Loaded {
    Converter conv;
    Form form;     // as written
    Form checked;  // without the checks that do not certify
    LintReport lint;
    std::unique_ptr<Checker> checker;
    std::vector<std::vector<std::size_t>> reads;

    void install() {
        if (g_installed == this) return;
        if (checker->start() != 0) throw std::runtime_error("the library refused the host's callbacks");
        g_installed = this;
    }
    // The checker's end ends the library's session, whoever installed last.
    ~Loaded() { g_installed = nullptr; }
};

// Loads a definition as the command does; on a fault, nothing and the
// command's message in `error`.
std::unique_ptr<Loaded> load(const std::string &text, const std::string &name, bool all_checks, std::string &error) {
    auto l = std::make_unique<Loaded>();
    Diagnostics diag;
    try {
        l->form = parse_form(text, name, l->conv);
    } catch (const InputError &e) {
        diag.error(e);
        error = "x";
        return nullptr;
    }
    l->lint = lint_form(l->form, l->conv);
    g_installed = nullptr;  // lint ended its own session
    tell_lint(l->lint, l->form, l->conv, diag, false);
    l->checked = l->form;
    if (!all_checks) drop_broken_checks(l->lint, l->checked);
    l->checker = std::make_unique<Checker>(all_checks ? l->form : l->checked, l->conv);
    l->reads = fields_to_show(l->form, l->conv);
    return l;
}

// Code points before byte `at` of a CP932 text: where the page's string
// has that byte.
std::size_t chars_before(Converter &conv, const std::string &sjis, std::size_t at) {
    std::string u = conv.to_utf8(sjis.substr(0, std::min(at, sjis.size())));
    std::size_t n = 0;
    for (unsigned char c : u) n += (c & 0xC0) != 0x80;
    return n;
}

const char *verdict_word(LintVerdict v) {
    switch (v) {
    case LintVerdict::Broken: return "broken";
    case LintVerdict::Warning: return "warning";
    case LintVerdict::Unsure: return "unsure";
    case LintVerdict::Unread: return "unread";
    case LintVerdict::Clean: break;
    }
    return "clean";
}

json describe_form(const Loaded &l) {
    json fields = json::array();
    for (std::size_t i = 0; i < l.form.fields.size(); ++i) {
        const FieldDef &f = l.form.fields[i];
        json j;
        j["name"] = f.name;
        j["label"] = f.label;
        j["type"] = f.type;
        j["class"] = const_cast<Converter &>(l.conv).to_utf8(f.class_spec);
        j["length"] = f.attr;
        j["excluded"] = f.excluded;
        j["check"] = f.check ? json(*f.check) : json(nullptr);
        json reads = json::array();
        for (std::size_t r : l.reads[i])
            if (r != i) reads.push_back(l.form.fields[r].name);
        j["reads"] = reads;
        fields.push_back(std::move(j));
    }
    json lint = json::array();
    for (const LintFinding &f : l.lint.findings)
        lint.push_back({{"field", l.form.fields[f.field].name}, {"verdict", verdict_word(f.verdict)},
                        {"code", hex_code(f.out)}, {"message", f.message}, {"caret", f.caret},
                        {"hint", f.hint}});
    return {{"ok", true}, {"title", l.form.title}, {"fields", fields}, {"lint", lint}};
}

// ---- the designer ----------------------------------------------------------

std::unique_ptr<Loaded> g_design;

std::string design_load(std::string text, std::string name) {
    start_capture();
    std::string error;
    auto l = load(text, name, true, error);
    json j = l ? describe_form(*l) : json{{"ok", false}};
    j["messages"] = take_capture();
    if (l) g_design = std::move(l);
    return dump(j);
}

// Every check of the designer's form on one set of sample values, each with
// its outcome, message, explanation and whole trace.
std::string design_eval(std::string values_json) {
    if (!g_design) return dump({{"ok", false}});
    Loaded &l = *g_design;
    start_capture();
    json in = json::parse(values_json, nullptr, false);
    std::vector<std::string> values(l.form.fields.size());
    json value_errors = json::array();
    for (std::size_t i = 0; i < l.form.fields.size(); ++i) {
        const FieldDef &f = l.form.fields[i];
        if (!in.is_object() || !in.contains(f.name) || !in[f.name].is_string()) continue;
        try {
            values[i] = l.conv.import(in[f.name].get<std::string>(), Encoding::Utf8);
        } catch (const TextError &e) {
            value_errors.push_back({{"field", f.name}, {"message", e.what()}});
        }
    }
    Record rec;
    rec.number = 1;
    rec.pack(values);
    json checks = json::array();
    l.install();
    FormHost &host = l.checker->host();
    for (std::size_t i = 0; i < l.form.fields.size(); ++i) {
        const FieldDef &def = l.form.fields[i];
        if (!def.check) continue;
        host.serve(&rec);
        uint32_t out = TALV_E_INTERNAL, ret;
        std::vector<TraceStep> steps;
        {
            TraceCollector trace;
            host.forget_missing();
            ret = PPR_eval(&out, def.sjis_name.c_str(), def.sjis_check.c_str());
            steps = trace.take();
        }
        Outcome outcome = classify(out, ret);
        json c;
        c["field"] = def.name;
        c["outcome"] = outcome_word(outcome);
        c["code"] = hex_code(out);
        c["return"] = hex_code(ret);
        c["message"] = outcome == Outcome::Passed ? library_message(l.conv, out)
                                                  : l.checker->explain(def.sjis_name, def.sjis_check, out, ret);
        c["expression"] = display_expression(def.sjis_check, l.conv);
        json trace = trace_json(steps, def.sjis_check, l.conv);
        for (std::size_t k = 0; k < steps.size(); ++k) {
            trace[k]["from"] = chars_before(l.conv, def.sjis_check, steps[k].start);
            trace[k]["to"] = chars_before(l.conv, def.sjis_check, steps[k].start + steps[k].length);
            trace[k]["text"] = describe_step(steps[k], def.sjis_check, l.conv);
        }
        c["trace"] = trace;
        c["explain"] = outcome == Outcome::Passed ? json::array()
                                                  : json(decisive_steps(steps, def.sjis_check, def.name, l.conv));
        json reads = json::array();
        for (std::size_t r : l.reads[i])
            if (r != i) reads.push_back(l.form.fields[r].name);
        c["reads"] = reads;
        checks.push_back(std::move(c));
    }
    host.serve(nullptr);
    return dump({{"ok", true}, {"checks", checks}, {"value_errors", value_errors}, {"messages", take_capture()}});
}

void set_language(std::string name) {
    if (auto lang = language_named(name)) set_message_language(*lang);
}

// ---- the reviewer ----------------------------------------------------------

struct Review {
    std::unique_ptr<Loaded> loaded;
    std::string path;
    ReadOptions opts;
    std::unique_ptr<FormReader> reader;
    std::unique_ptr<Reporter> reporter;
    std::FILE *report = nullptr;
    char *report_buf = nullptr;
    std::size_t report_len = 0, report_taken = 0;
    std::vector<Record> records;
    std::vector<long> form_lines;           // per form of the file, good or bad: its first line
    std::vector<std::string> findings;      // per record: its findings as the command's JSON lines
    std::vector<long> counts;               // per record: checks, passed, failed, errors
    std::map<std::size_t, std::map<std::size_t, std::string>> edits;  // record -> field -> UTF-8 text
    Summary summary;
    bool done = false;
    bool stopped = false;  // by a fault that ends the reading

    ~Review() {
        reporter.reset();
        if (report) std::fclose(report);
        std::free(report_buf);
    }

    std::string take_report() {
        std::fflush(report);
        std::string s(report_buf + report_taken, report_len - report_taken);
        report_taken = report_len;
        return s;
    }

    json findings_of(std::size_t index) {
        json all = json::array();
        const std::string &lines = findings[index];
        for (std::size_t at = 0; at < lines.size();) {
            std::size_t end = lines.find('\n', at);
            all.push_back(json::parse(lines.substr(at, end - at)));
            at = end + 1;
        }
        return all;
    }

    // Checks one record, keeping its findings; true when it is flagged.
    bool check(std::size_t index) {
        loaded->install();
        FormResult result = loaded->checker->check(records[index]);
        for (const Finding &f : result.findings) reporter->finding(records[index], f);
        findings[index] = take_report();
        counts[index * 4] = result.checks;
        counts[index * 4 + 1] = result.passed;
        counts[index * 4 + 2] = result.failed;
        counts[index * 4 + 3] = result.errors;
        return !result.findings.empty();
    }
};

std::unique_ptr<Review> g_review;

std::string review_open(std::string bytes, std::string name, std::string encoding, std::string id_column,
                        std::string form_text, std::string form_name) {
    start_capture();
    g_review.reset();
    auto r = std::make_unique<Review>();
    std::string error;
    r->loaded = load(form_text, form_name, false, error);
    json j = {{"ok", false}};
    Diagnostics diag;
    if (r->loaded) {
        // The name stays the user's: messages name the file as the command
        // would, so the files live in a folder of their own.
        mkdir("/files", 0700);
        chdir("/files");
        r->path = name;
        if (std::FILE *f = std::fopen(name.c_str(), "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        r->opts.encoding = encoding == "cp932" ? Encoding::Cp932 : Encoding::Utf8;
        r->opts.id_column = id_column;
        try {
            if (r->loaded->form.check_count() == 0)
                diag.error(InputError(Place{form_name, 0, 0, {}}, "no field has a check"));
            r->reader = open_results(r->path, r->loaded->form, r->opts, r->loaded->conv, diag);
            r->report = open_memstream(&r->report_buf, &r->report_len);
            r->reporter = make_reporter(OutputFormat::Json, r->report, r->loaded->form, r->loaded->conv,
                                        !id_column.empty(), true);
            attach_detail(*r->loaded->checker, Detail::Suggest);
            r->summary.by_field.resize(r->loaded->form.fields.size());
            r->summary.timing = false;
            long lines = 0;
            for (char c : bytes) lines += c == '\n';
            j = {{"ok", true}, {"lines", lines}, {"bytes", bytes.size()}};
            g_review = std::move(r);
        } catch (const InputError &e) {
            diag.error(e);
        }
    }
    j["messages"] = take_capture();
    return dump(j);
}

json form_summary(Review &r, std::size_t index) {
    const Record &rec = r.records[index];
    return {{"index", index}, {"form", rec.number}, {"line", rec.line}, {"id", rec.id},
            {"findings", r.findings_of(index)}};
}

// Reads and checks up to `most` more forms; the flagged ones among them are
// returned with their findings.
std::string review_step(int most) {
    if (!g_review) return dump({{"ok", false}});
    Review &r = *g_review;
    start_capture();
    Diagnostics diag;
    json flagged = json::array();
    for (int n = 0; n < most && !r.done; ++n) {
        Record rec;
        FormReader::Next next;
        try {
            next = r.reader->next(rec);
        } catch (const InputError &e) {
            diag.error(InputError(e.place(), fmt::format("{}; reading stopped: the {} form{} before it are checked, "
                                                         "any after it are not",
                                                         e.what(), r.summary.forms, r.summary.forms == 1 ? "" : "s")));
            r.done = r.stopped = true;
            break;
        }
        if (next == FormReader::Next::End) {
            r.done = true;
            break;
        }
        ++r.summary.forms;
        r.form_lines.push_back(rec.line);
        if (next == FormReader::Next::Bad) {
            ++r.summary.not_checked;
            continue;
        }
        std::size_t index = r.records.size();
        r.records.push_back(std::move(rec));
        r.findings.emplace_back();
        r.counts.resize(r.counts.size() + 4);
        if (r.check(index)) flagged.push_back(form_summary(r, index));
    }
    json j = {{"ok", true}, {"done", r.done}, {"forms", r.summary.forms}, {"checked", r.records.size()},
              {"flagged", flagged}, {"messages", take_capture()}};
    if (r.done && !r.stopped && r.summary.forms == 0)
        j["messages"] = j["messages"].get<std::string>() +
                        fmt::format("talvechk: error: {}: no forms in the file; nothing was checked\n", r.path);
    return dump(j);
}

// Every field's text of one form and its findings now.
std::string review_form(int index) {
    if (!g_review || index < 0 || static_cast<std::size_t>(index) >= g_review->records.size())
        return dump({{"ok", false}});
    Review &r = *g_review;
    r.check(index);  // in the language chosen now
    const Record &rec = r.records[index];
    json fields = json::array();
    for (std::size_t f = 0; f < r.loaded->form.fields.size(); ++f) {
        const FieldDef &def = r.loaded->form.fields[f];
        fields.push_back({{"name", def.name}, {"label", def.label}, {"text", shown_value(rec, f, r.loaded->conv)}});
    }
    json j = form_summary(r, index);
    j["ok"] = true;
    j["fields"] = fields;
    const long *c = &r.counts[index * 4];
    j["checks"] = c[0];
    j["passed"] = c[1];
    return dump(j);
}

// A correction typed or accepted: the form's text of one field becomes
// `text` and its checks run again.
std::string review_set(int index, std::string field, std::string text) {
    if (!g_review || index < 0 || static_cast<std::size_t>(index) >= g_review->records.size())
        return dump({{"ok", false}});
    Review &r = *g_review;
    Loaded &l = *r.loaded;
    auto f = l.form.find(field);
    if (!f) return dump({{"ok", false}, {"error", "no field " + field}});
    Record &rec = r.records[index];
    std::string sjis;
    try {
        sjis = l.conv.to_cp932(text);
        if (sjis.size() > kValueLimit)
            throw TextError(0, fmt::format("the text has {} bytes in CP932; a field holds at most {}", sjis.size(),
                                           kValueLimit));
    } catch (const TextError &e) {
        return dump({{"ok", false}, {"error", e.what()}});
    }
    std::string before = shown_value(rec, *f, l.conv);
    std::vector<std::string> values(rec.fields());
    for (std::size_t k = 0; k < values.size(); ++k) values[k] = std::string(rec.value(k));
    values[*f] = sjis;
    rec.pack(values);
    rec.forget_shown(*f);
    if (r.opts.encoding == Encoding::Utf8 && !is_ascii(text)) rec.keep_shown(*f, text);
    r.edits[index][*f] = text;
    json j = json::parse(review_form(index));
    j["before"] = before;
    return dump(j);
}

// The results file with every correction written in, in its own format and
// encoding; the forms not corrected keep their bytes.
emscripten::val review_export() {
    static std::string out;
    out.clear();
    if (g_review) {
        Review &r = *g_review;
        std::string original = read_file(r.path);
        std::vector<RowEdit> rows;
        for (const auto &[index, fields] : r.edits) {
            const Record &rec = r.records[index];
            RowEdit row;
            row.line = rec.line;
            std::size_t form = static_cast<std::size_t>(rec.number);  // 1-based: the next form's index
            row.next_line = form < r.form_lines.size() ? r.form_lines[form] : 0;
            for (const auto &[field, text] : fields) row.values.emplace_back(field, text);
            rows.push_back(std::move(row));
        }
        bool jsonl = r.path.ends_with(".jsonl") || r.path.ends_with(".ndjson") || r.path.ends_with(".json");
        out = write_corrected(original, rows, r.loaded->form, r.opts.encoding, jsonl, r.loaded->conv);
    }
    return emscripten::val(emscripten::typed_memory_view(out.size(), reinterpret_cast<const unsigned char *>(out.data())));
}

}  // namespace

EMSCRIPTEN_BINDINGS(talvechk_page) {
    emscripten::function("designLoad", &design_load);
    emscripten::function("designEval", &design_eval);
    emscripten::function("setLanguage", &set_language);
    emscripten::function("reviewOpen", &review_open);
    emscripten::function("reviewStep", &review_step);
    emscripten::function("reviewForm", &review_form);
    emscripten::function("reviewSet", &review_set);
    emscripten::function("reviewExport", &review_export);
}
