// talvechk: checks recognised forms with the talvechk library.
#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <map>

#include "commands.h"
#include "input/diagnostics.h"
#include "input/encoding.h"
#include "report/suggest.h"
#include "check/translation.h"

using namespace talvhost;

namespace {

const std::map<std::string, OutputFormat> kOutputFormats = {
    {"text", OutputFormat::Text}, {"json", OutputFormat::Json}, {"csv", OutputFormat::Csv}};

const char *kMainFooter = R"(Exit status: 0 every check passed, 1 a check is false (the recognition
result is wrong), 2 an error in a check expression, in the library, or in
the input.

Examples:
  talvechk check examples/invoice.json build/examples/invoices.csv --limit 10
  talvechk certify examples/invoice.json
  talvechk eval --set A=12 --set B=30 --field B '[A] + 18 == @'
  talvechk fields '[TOTAL] == [SUBTOTAL] + [TAX]' SUBTOTAL TAX NET   (prints SUBTOTAL, TAX)
  talvechk message 90000002 --name TOTAL

The command is described in man talvechk and in cli.md (file formats,
options, what each input gets); installed with the other documents in
)" TALV_DOC_DIR R"( (docs/ in the source tree).)";

}  // namespace

int main(int argc, char **argv) {
    CLI::App app{"talvechk - check the recognition results of OCR'd forms against the check expressions of "
                 "their form definition"};
    app.footer(kMainFooter);
    app.require_subcommand(1);
    app.set_version_flag("--version", "talvechk 1.0.0");
    // Before or after the subcommand alike.
    app.fallthrough();
    std::string language = "ja";
    app.add_option("--lang", language, "Language of the messages shown: ja (as the library gives them) or en")
        ->check(CLI::IsMember({"ja", "en"}))
        ->capture_default_str();

    // check ------------------------------------------------------------------
    CheckOptions check;
    std::string input_format = "auto", encoding = "utf8", output = "text", delimiter = "auto";
    auto *check_cmd = app.add_subcommand("check", "Evaluate every field's check over every form of a batch");
    check_cmd->add_option("FORM", check.form_path, "Form definition (JSON)")->required();
    check_cmd->add_option("RESULTS", check.results_path, "Recognition results: CSV or JSON Lines; - reads standard input")
        ->required();
    check_cmd->add_option("-f,--format", output, "Output: text, json (JSON Lines) or csv")
        ->check(CLI::IsMember({"text", "json", "csv"}))
        ->capture_default_str();
    check_cmd->add_option("-j,--jobs", check.jobs, "Worker processes")->check(CLI::Range(1, 256))->capture_default_str();
    check_cmd->add_option("-n,--limit", check.limit, "Print at most N checks that did not pass (0: summary only)")
        ->check(CLI::NonNegativeNumber);
    check_cmd->add_option("--id", check.read.id_column, "Column (CSV) or key (JSON) that identifies each form; not a field");
    check_cmd->add_option("--keep", check.read.keep,
                          "Column (CSV) or key (JSON) of the results that is no field and not warned about "
                          "(repeatable)");
    check_cmd->add_flag("--ignore-unknown", check.read.ignore_unknown,
                        "Say nothing of columns or keys that name no field");
    check_cmd->add_flag("--allow-missing", check.allow_missing,
                        "A field the results have no column for reads as empty (default: its checks are not made, "
                        "and the status is 2)");
    check_cmd->add_option("-e,--encoding", encoding, "Encoding of the results: utf8 or cp932")
        ->check(CLI::IsMember({"utf8", "utf-8", "cp932", "sjis", "shift_jis"}, CLI::ignore_case))
        ->capture_default_str();
    check_cmd->add_option("--input-format", input_format, "csv, jsonl, or auto (from the file name)")
        ->check(CLI::IsMember({"auto", "csv", "jsonl"}))
        ->capture_default_str();
    check_cmd->add_option("--delimiter", delimiter,
                          "CSV cell delimiter: , ; or tab (default: the one under which the header names fields)")
        ->check(CLI::IsMember({"auto", ",", ";", "tab", "\t"}))
        ->capture_default_str();
    std::string output_encoding = "utf8", csv_values = "packed";
    check_cmd->add_flag("--bom", check.csv.bom, "CSV output: begin with a UTF-8 byte-order mark (for Excel)");
    bool csv_safe = false;
    check_cmd->add_flag("--csv-safe", csv_safe,
                        "CSV output: a cell beginning with = + - @ (a formula to a spreadsheet) gets a leading "
                        "apostrophe; implied by --bom and --output-encoding cp932");
    check_cmd->add_option("--output-encoding", output_encoding,
                          "CSV output: utf8 or cp932 (what Japanese Excel reads without a BOM)")
        ->check(CLI::IsMember({"utf8", "utf-8", "cp932", "sjis", "shift_jis"}, CLI::ignore_case))
        ->capture_default_str();
    check_cmd->add_option("--csv-values", csv_values,
                          "CSV output: packed (one \"values\" cell) or columns (one column per field read)")
        ->check(CLI::IsMember({"packed", "columns"}))
        ->capture_default_str();
    check_cmd->add_flag("--strict", check.strict,
                        "Stop before the batch when a check does not certify (default: skip that check on every "
                        "form, exit 2 at the end)");
    check_cmd->add_flag("--no-timing", [&](std::int64_t) { check.timing = false; },
                        "Leave time and rate out of the summary (for output that compares equal)");
    check_cmd->add_flag("--no-progress", [&](std::int64_t) { check.progress = false; },
                        "No progress bar, even on a terminal");
    bool check_explain = false, check_suggest = false;
    check_cmd->add_flag("--explain", check_explain,
                        "Under each check that did not pass: the expression and the values that decided it");
    check_cmd->add_flag("--suggest", check_suggest,
                        "Also one-character corrections of the fields read that make the check pass (implies --explain)");
    check_cmd
        ->add_option("--suggest-budget", check.suggest_budget,
                     fmt::format("Evaluations per form for --suggest's candidates, scoring included (default {})",
                                 kSuggestBudget))
        ->check(CLI::PositiveNumber);
    check_cmd->footer(R"(Examples:
  talvechk check invoice.json scans.csv
  talvechk check invoice.json scans.csv --limit 20 --jobs 4
  talvechk check invoice.json scans.jsonl --format json --id FORM_ID > report.jsonl
  talvechk check invoice.json scans-sjis.csv --encoding cp932 --format csv > report.csv
  talvechk check invoice.json scans.csv --suggest --limit 10   (why, and one-character corrections)

  talvechk check invoice.json scans.csv --format csv --bom --csv-values columns > for-excel.csv)");

    // certify ----------------------------------------------------------------
    CertifyOptions certify;
    std::string certify_output = "text";
    auto *certify_cmd = app.add_subcommand("certify", "Certify every check expression of a form definition (lint)");
    certify_cmd->add_option("FORM", certify.form_path, "Form definition (JSON)")->required();
    certify_cmd->add_option("-f,--format", certify_output, "Output: text or json")
        ->check(CLI::IsMember({"text", "json"}))
        ->capture_default_str();
    certify_cmd->add_flag("--strict", certify.strict,
                          "Count a check whose text ends early (at a \"$\" or a double-byte character) as an error");
    certify_cmd->footer(R"(Exit status 0 when every check is sound, 2 when any has an error.

Example:
  talvechk certify examples/invoice.json)");

    // eval -------------------------------------------------------------------
    EvalOptions eval;
    std::string eval_output = "text";
    auto *eval_cmd = app.add_subcommand("eval", "Evaluate one check expression once");
    eval_cmd->add_option("EXPR", eval.expr, "Check expression (default: the field's check in --form)");
    eval_cmd->add_option("--field", eval.field, "The field being checked (what @ stands for)")->required();
    eval_cmd->add_option("--form", eval.form_path, "Form definition that supplies the fields");
    eval_cmd->add_option("-s,--set", eval.assignments, "Recognised text of a field, NAME=VALUE (one a --set; repeatable)")
        ->allow_extra_args(false);
    eval_cmd->add_flag("--certify", eval.certify, "Evaluate in certify mode (PPR_certify)");
    eval_cmd->add_flag("--explain", eval.explain, "Print every step: each field read and its value, each operator, "
                                                  "comparison and call with its result, where a syntax error stopped");
    eval_cmd->add_flag("--strict", eval.strict,
                       "Refuse an expression whose text ends early (at a \"$\" or a double-byte character)");
    eval_cmd->add_option("-f,--format", eval_output, "Output: text or json")
        ->check(CLI::IsMember({"text", "json"}))
        ->capture_default_str();
    eval_cmd->footer(R"(Exit status: 0 passed, 1 false, 2 error.

Examples:
  talvechk eval --set A1=100 --set A2=２５０ --set T=350 --field T 'sum([A1..2]) == @'
  talvechk eval --form examples/invoice.json --field TAX --set SUBTOTAL=12000 --set RATE=010 --set TAX=1200
  talvechk eval --form examples/invoice.json --certify --field TAX)");

    // fields -----------------------------------------------------------------
    FieldsOptions fields;
    auto *fields_cmd = app.add_subcommand("fields", "List which of the given field names an expression references");
    fields_cmd->add_option("EXPR", fields.expr, "Check expression")->required();
    fields_cmd->add_option("NAME", fields.names, "Field names (default: every field of --form)");
    fields_cmd->add_option("--form", fields.form_path, "Take the names from this form definition");
    fields_cmd->footer(R"(Example:
  talvechk fields '[TOTAL] == [SUBTOTAL] + [TAX]' SUBTOTAL TAX NET
  prints SUBTOTAL and TAX, one a line.  Fields named only through a range
  (sum([A1..3])) are not listed; a note on standard error says so.)");

    // message ----------------------------------------------------------------
    MessageOptions message;
    auto *message_cmd = app.add_subcommand("message", "Show the message text of a result code");
    message_cmd->add_option("CODE", message.code, "Result code in hexadecimal, such as 90000002 or 0xA00A000A")
        ->required();
    message_cmd->add_option("--name", message.name, "Name to put in the message (field, variable or function)");
    message_cmd->footer(R"(Examples:
  talvechk message 80000000
  talvechk message 90000002 --name TOTAL)");

    // CLI11 would only say that a subcommand is required.
    auto known = [&](const std::string &name) {
        return !app.get_subcommands([&](const CLI::App *sub) { return sub->get_name() == name; }).empty();
    };
    if (argc > 1 && argv[1][0] != '-' && !known(argv[1])) {
        fmt::print(stderr, "talvechk: error: unknown subcommand \"{}\" (check, certify, eval, fields, message; "
                           "--help tells more)\n", visible(argv[1]));
        return kExitError;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp &e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp &e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion &e) {
        return app.exit(e);
    } catch (const CLI::ParseError &e) {
        app.exit(e);
        return kExitError;
    }

    set_message_language(*language_named(language));
    try {
        if (check_cmd->parsed()) {
            check.format = kOutputFormats.at(output);
            check.read.format = input_format == "csv"     ? ResultsFormat::Csv
                                : input_format == "jsonl" ? ResultsFormat::Jsonl
                                                          : ResultsFormat::Auto;
            std::string enc = encoding;
            for (char &c : enc) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            check.read.encoding = enc.rfind("utf", 0) == 0 ? Encoding::Utf8 : Encoding::Cp932;
            check.read.delimiter = delimiter == "auto" ? 0 : delimiter == "tab" ? '\t' : delimiter[0];
            check.detail = check_suggest ? Detail::Suggest : check_explain ? Detail::Explain : Detail::None;
            std::string out_enc = output_encoding;
            for (char &c : out_enc) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            check.csv.cp932 = out_enc.rfind("utf", 0) != 0;
            check.csv.value_columns = csv_values == "columns";
            // The options for a spreadsheet: it is the one that runs formulas.
            check.csv.formula_safe = csv_safe || check.csv.bom || check.csv.cp932;
            bool csv_only = check.csv.bom || check.csv.cp932 || check.csv.value_columns || csv_safe;
            if (csv_only && check.format != OutputFormat::Csv) {
                fmt::print(stderr, "talvechk: error: --bom, --output-encoding, --csv-values and --csv-safe shape "
                                   "the CSV report: give --format csv\n");
                return kExitError;
            }
            if (check.csv.bom && check.csv.cp932) {
                fmt::print(stderr, "talvechk: error: --bom marks UTF-8; a CP932 report has none\n");
                return kExitError;
            }
            return run_check(check);
        }
        if (certify_cmd->parsed()) {
            certify.format = kOutputFormats.at(certify_output);
            return run_certify(certify);
        }
        if (eval_cmd->parsed()) {
            eval.format = kOutputFormats.at(eval_output);
            eval.expr_given = eval_cmd->count("EXPR") > 0;
            return run_eval(eval);
        }
        if (fields_cmd->parsed()) {
            if (fields.names.empty() && fields.form_path.empty()) {
                fmt::print(stderr, "talvechk: error: fields: give field names or --form\n");
                return kExitError;
            }
            return run_fields(fields);
        }
        if (message_cmd->parsed()) return run_message(message);
    } catch (const std::exception &e) {
        fmt::print(stderr, "talvechk: error: {}\n", visible(e.what()));
        return kExitError;
    }
    return kExitError;
}
