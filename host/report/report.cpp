#include "report/report.h"

#include <algorithm>
#include <cctype>
#include <map>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "report/escaping.h"
#include "report/explain.h"
#include "report/summary_keys.h"

namespace talvhost {

namespace {

// Text output shows a value of more than kShownCharacters characters as its
// first kShownPrefix ones and its length.
constexpr std::size_t kShownCharacters = 40, kShownPrefix = 32;

// Text for people and CSV cells: one line, and nothing raw from the input.
std::string one_line(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return visible(text);
}

// "1 form", "2 forms".
std::string counted(long n, const char *noun) { return fmt::format("{} {}{}", n, noun, n == 1 ? "" : "s"); }

// Code points of UTF-8 text; a stray byte counts as one.
std::size_t characters(const std::string &text) {
    std::size_t n = 0;
    for (unsigned char c : text) n += (c & 0xC0) != 0x80;
    return n;
}

// A value for a line of text output: a long one is cut, and its length said,
// so that one memo field does not bury the finding.
std::string shortened_value(const std::string &text) {
    std::size_t total = characters(text);
    if (total <= kShownCharacters) return "\"" + visible(text) + "\"";
    std::size_t end = 0, kept = 0;
    while (end < text.size() && kept < kShownPrefix) {
        ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
        ++kept;
    }
    return fmt::format("\"{}…\" ({} characters)", visible(text.substr(0, end)), total);
}

std::string csv_cell(const std::string &text) {
    if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// What every format needs: where to write, the form, the converter back to
// UTF-8, and which values to show beside each finding.
class FormReporter : public Reporter {
protected:
    FormReporter(std::FILE *out, const Form &form, Converter &conv, bool has_id)
        : out_(out), form_(form), conv_(conv), has_id_(has_id), show_(fields_to_show(form, conv)) {}

    std::FILE *out_;
    const Form &form_;
    Converter &conv_;
    bool has_id_;
    std::vector<std::vector<std::size_t>> show_;
};

class TextReporter : public FormReporter {
public:
    TextReporter(std::FILE *out, const Form &form, Converter &conv, bool has_id)
        : FormReporter(out, form, conv, has_id) {}

    void finding(const Record &record, const Finding &f) override {
        std::string where = fmt::format("form {} (line {}{}{})", record.number, record.line, has_id_ ? ", " : "",
                                        has_id_ ? visible(record.id) : "");
        std::string code = code_words(f.out, f.ret);
        fmt::print(out_, "{}: {}: {} [{}]: {}\n", where, form_.fields[f.field].name,
                   outcome_word(classify(f.out, f.ret)), code, one_line(f.message));
        std::string values;
        for (std::size_t field : show_[f.field])
            values += fmt::format("  {}={}", form_.fields[field].name, shortened_value(shown_value(record, field, conv_)));
        fmt::print(out_, "   {}\n", values);
        if (!f.detail.empty())
            for (const std::string &line : detail_lines(nlohmann::ordered_json::parse(f.detail)))
                fmt::print(out_, "     {}\n", visible(line));
    }

    void summary(const Summary &s) override {
        fmt::print(out_, "{}Summary: {}, {}: {} passed, {} failed, {}; {} flagged", s.shown ? "\n" : "",
                   counted(s.forms, "form"), counted(s.checks, "check"), s.passed, s.failed, counted(s.errors, "error"),
                   counted(s.flagged, "form"));
        if (s.timing) {
            double rate = s.seconds > 0 ? static_cast<double>(s.forms - s.not_checked) / s.seconds : 0;
            fmt::print(out_, " ({:.2f} s, {:.0f} forms/s, {} job{})", s.seconds, rate, s.jobs, s.jobs == 1 ? "" : "s");
        }
        fmt::print(out_, "\n");
        if (long bad = s.not_checked - s.crashed; bad > 0)
            fmt::print(out_, "  {} form{} not checked because of bad input (see the messages on standard error)\n",
                       bad, bad == 1 ? "" : "s");
        if (s.column_missing)
            fmt::print(out_, "  {} check{} not made: column missing (see the message on standard error)\n",
                       s.column_missing, s.column_missing == 1 ? "" : "s");
        if (s.crashed)
            fmt::print(out_, "  {} form{} not checked: the worker checking {} died (see the messages on standard "
                             "error)\n",
                       s.crashed, s.crashed == 1 ? "" : "s", s.crashed == 1 ? "it" : "them");
        if (s.skipped)
            fmt::print(out_, "  {} skipped: expression error (see the messages on standard error)\n",
                       counted(s.skipped, "check"));
        if (s.failed + s.errors > 0) {
            std::size_t width = 5;
            for (std::size_t i = 0; i < form_.fields.size(); ++i)
                if (s.by_field[i].failed + s.by_field[i].errors) width = std::max(width, form_.fields[i].name.size());
            fmt::print(out_, "  Checks that did not pass, by field:\n");
            for (std::size_t i = 0; i < form_.fields.size(); ++i) {
                const FieldTally &t = s.by_field[i];
                if (!t.failed && !t.errors) continue;
                fmt::print(out_, "    {:<{}} {:6} failed {:6} error{}\n", form_.fields[i].name, width, t.failed,
                           t.errors, t.errors == 1 ? "" : "s");
            }
        }
        if (s.shown == 0 && s.findings > 0)
            fmt::print(out_, "  (the {} that did not pass {} not listed: --limit 0)\n", counted(s.findings, "check"),
                       s.findings == 1 ? "is" : "are");
        else if (s.shown < s.findings)
            fmt::print(out_, "  (listed above: the first {} of {} checks that did not pass; --limit sets how many)\n",
                       s.shown, s.findings);  // shown < findings: never one
    }
};

class JsonReporter : public FormReporter {
public:
    JsonReporter(std::FILE *out, const Form &form, Converter &conv, bool has_id)
        : FormReporter(out, form, conv, has_id) {}

    void finding(const Record &record, const Finding &f) override {
        nlohmann::ordered_json j;
        j["form"] = record.number;
        j["line"] = record.line;
        if (has_id_) j["id"] = record.id;
        j["field"] = form_.fields[f.field].name;
        j["outcome"] = outcome_word(classify(f.out, f.ret));
        j["code"] = hex_code(f.out);
        j["return"] = hex_code(f.ret);
        j["message"] = f.message;
        nlohmann::ordered_json values = nlohmann::ordered_json::object();
        for (std::size_t field : show_[f.field]) values[form_.fields[field].name] = shown_value(record, field, conv_);
        j["values"] = values;
        if (!f.detail.empty()) {
            const nlohmann::ordered_json detail = nlohmann::ordered_json::parse(f.detail);
            for (auto it = detail.begin(); it != detail.end(); ++it) j[it.key()] = *it;
        }
        fmt::print(out_, "{}\n", json_text(j));
    }

    void summary(const Summary &s) override {
        nlohmann::ordered_json j = summary_json(s, form_);
        nlohmann::ordered_json wrap;
        wrap["summary"] = j;
        fmt::print(out_, "{}\n", json_text(wrap));
    }
};

class CsvReporter : public FormReporter {
public:
    CsvReporter(std::FILE *out, const Form &form, Converter &conv, bool has_id, bool detail,
                const CsvOptions &options)
        : FormReporter(out, form, conv, has_id), options_(options), text_(stderr, form, conv, has_id),
          detail_(detail) {
        if (options_.value_columns) {
            std::vector<bool> read(form.fields.size());
            for (const auto &list : show_)
                for (std::size_t field : list) read[field] = true;
            for (std::size_t i = 0; i < read.size(); ++i)
                if (read[i]) column_of_[i] = columns_.size(), columns_.push_back(i);
        }
        std::string header = options_.bom && !options_.cp932 ? "\xEF\xBB\xBF" : "";
        header += fmt::format("form,line,{}field,outcome,code,return,message", has_id_ ? "id," : "");
        if (!options_.value_columns) header += ",values";
        for (std::size_t field : columns_) header += "," + cell(visible(form.fields[field].name));
        if (detail_) header += ",check,explain,suggestions";
        emit(header);
    }

    void finding(const Record &record, const Finding &f) override {
        std::string line = fmt::format("{},{},{}{},{},{},{},{}", record.number, record.line,
                                       has_id_ ? cell(visible(record.id)) + "," : "",
                                       cell(form_.fields[f.field].name), outcome_word(classify(f.out, f.ret)),
                                       hex_code(f.out), hex_code(f.ret), cell(one_line(f.message)));
        if (options_.value_columns) {
            std::vector<std::string> cells(columns_.size());
            for (std::size_t field : show_[f.field])
                cells[column_of_.at(field)] = cell(visible(shown_value(record, field, conv_)));
            for (const std::string &c : cells) line += "," + c;
        } else {
            std::string values;
            for (std::size_t field : show_[f.field])
                values += fmt::format("{}{}=\"{}\"", values.empty() ? "" : " ", form_.fields[field].name,
                                      visible(shown_value(record, field, conv_)));
            line += "," + cell(values);
        }
        if (detail_) line += detail_cells(f);
        emit(line);
    }

    // The table stays a table; the summary goes to standard error.
    void summary(const Summary &s) override {
        Summary quiet = s;
        quiet.shown = 0;
        quiet.findings = 0;
        text_.summary(quiet);
    }

private:
    // A cell as the options want it: for a spreadsheet, nothing it would
    // take for a formula.
    std::string cell(const std::string &text) const {
        return csv_cell(options_.formula_safe ? formula_guarded(text) : text);
    }

    // The expression, then the explanation and the candidates as JSON arrays.
    std::string detail_cells(const Finding &f) const {
        if (f.detail.empty()) return ",,,";
        auto j = nlohmann::ordered_json::parse(f.detail);
        auto json_cell = [&](const char *key) { return j.contains(key) ? cell(json_text(j[key])) : std::string(); };
        return "," + cell(visible(j.value("check", std::string()))) + "," + json_cell("explain") + "," +
               json_cell("suggestions");
    }

    void emit(const std::string &line) {
        fmt::print(out_, "{}\n", options_.cp932 ? lossy_cp932(conv_, line) : line);
    }

    CsvOptions options_;
    std::vector<std::size_t> columns_;               // fields with a column, in form order
    std::map<std::size_t, std::size_t> column_of_;   // field -> its place in columns_
    TextReporter text_;
    bool detail_;
};

}  // namespace


std::string shown_value(const Record &record, std::size_t field, Converter &conv) {
    if (const std::string *given = record.shown(field)) return *given;
    return conv.to_utf8(record.value(field));
}

std::string lossy_cp932(Converter &conv, std::string_view utf8) {
    std::string out;
    while (!utf8.empty()) {
        try {
            return out + conv.to_cp932(utf8);
        } catch (const TextError &e) {
            std::size_t bad = std::min(e.offset, utf8.size());
            if (bad) out += conv.to_cp932(utf8.substr(0, bad));
            char32_t cp;
            std::size_t length = decode_utf8(utf8, bad, cp);
            out += '?';
            utf8.remove_prefix(std::min(utf8.size(), bad + std::max<std::size_t>(length, 1)));
        }
    }
    return out;
}

std::unique_ptr<Reporter> make_reporter(OutputFormat format, std::FILE *out, const Form &form, Converter &conv,
                                        bool has_id, bool detail, const CsvOptions &csv) {
    switch (format) {
    case OutputFormat::Json: return std::make_unique<JsonReporter>(out, form, conv, has_id);
    case OutputFormat::Csv: return std::make_unique<CsvReporter>(out, form, conv, has_id, detail, csv);
    case OutputFormat::Text: break;
    }
    return std::make_unique<TextReporter>(out, form, conv, has_id);
}

}  // namespace talvhost
