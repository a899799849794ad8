// talvechk certify / eval / fields / message: one call of the library each
// (or one per check for certify), for form designers and for trying things.
#include <cctype>
#include <optional>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "check/checker.h"
#include "report/escaping.h"
#include "check/hints.h"
#include "check/single_calls.h"
#include "commands.h"
#include "check/trace_text.h"
#include "check/translation.h"

namespace talvhost {

namespace {

std::string sjis_arg(Converter &conv, const std::string &text, const std::string &what) {
    try {
        return conv.to_cp932(text);
    } catch (const TextError &e) {
        throw InputError(Place{}, fmt::format("{}: {} at byte {}", what, e.what(), e.offset + 1));
    }
}

void print_json(const nlohmann::ordered_json &j) {
    fmt::print("{}\n", json_text(j));
}

// A form made of the fields named on the command line, for eval without one.
Form set_form(const std::vector<std::string> &assignments, Converter &conv) {
    std::vector<std::string> names;
    for (const std::string &a : assignments) {
        names.push_back(a.substr(0, a.find('=')));
        sjis_arg(conv, names.back(), "--set: field name");
    }
    return adhoc_form(names, conv, "--set");
}

}  // namespace

int run_certify(const CertifyOptions &opts) {
    Converter conv;
    Diagnostics diag;
    Form form;
    try {
        form = load_form(opts.form_path, conv);
    } catch (const InputError &e) {
        diag.error(e);
        return kExitError;
    }
    Checker checker(form, conv);
    if (uint32_t rc = checker.start(); rc != 0) {
        diag.error(fmt::format("the library refused the callbacks: PPR_init returned {:08X}: {}", rc,
                               library_message(conv, rc)));
        return kExitError;
    }
    long clean = 0, faulty = 0, unread_count = 0;
    checker.host().serve(nullptr);
    for (std::size_t i = 0; i < form.fields.size(); ++i) {
        const FieldDef &def = form.fields[i];
        if (!def.check) continue;
        std::vector<TraceStep> steps;
        CallResult r = evaluate_expression(checker, conv, def.sjis_name, def.sjis_check, true, &steps);
        const bool ok = r.ret == 0 && r.out == 0;
        // Text never read is told on a check that certifies; on one that
        // does not, it is the error's hint.
        const std::optional<Unread> unread = ok ? find_unread(steps, def.sjis_check) : std::nullopt;
        const bool failed = !ok || (unread && opts.strict);
        (failed ? faulty : unread ? unread_count : clean)++;
        std::string caret, hint;
        if (unread) {
            caret = underline(def.sjis_check, unread->start, unread->length);
        } else if (!ok) {
            caret = error_caret(steps, def.sjis_check, r.out, conv);
            hint = error_hint(steps, def.sjis_check, r.out, conv);
        }
        if (opts.format == OutputFormat::Json) {
            nlohmann::ordered_json j;
            j["field"] = def.name;
            j["check"] = *def.check;
            j["outcome"] = ok && !unread ? "ok" : failed ? "error" : "warning";
            j["code"] = hex_code(r.out);
            j["return"] = hex_code(r.ret);
            j["message"] = ok && unread ? unread_message(*unread, conv) : r.message;
            if (unread)
                j["unread"] = {{"byte", unread->start + 1}, {"text", conv.to_utf8(unread->unread_sjis)}};
            if (!hint.empty()) j["hint"] = hint;
            print_json(j);
        } else if (ok && !unread) {
            fmt::print("{}: ok\n", visible(def.name));
        } else {
            std::string code = code_words(r.out, r.ret);
            if (unread)
                fmt::print("{}: {}: {}\n", visible(def.name), failed ? "error" : "warning", visible_lines(unread_message(*unread, conv)));
            else
                fmt::print("{}: error [{}]: {}\n", visible(def.name), code, visible_lines(r.message));
            fmt::print("{}", visible_lines(expression_lines(def.sjis_check, conv, caret, hint)));
        }
    }
    const long total = clean + faulty + unread_count;
    if (opts.format == OutputFormat::Json) {
        nlohmann::ordered_json summary = {{"checks", total}, {"clean", clean}, {"errors", faulty}};
        if (unread_count) summary["warnings"] = unread_count;
        print_json({{"summary", summary}});
    } else {
        fmt::print("Certified {} check{} of {}: {} clean, {} with errors{}\n", total, total == 1 ? "" : "s",
                   form.path, clean, faulty,
                   unread_count ? fmt::format(", {} with text never read", unread_count) : std::string());
    }
    return faulty ? kExitError : kExitPass;
}

int run_eval(const EvalOptions &opts) {
    Converter conv;
    Diagnostics diag;
    try {
        Form form = opts.form_path.empty() ? set_form(opts.assignments, conv) : load_form(opts.form_path, conv);
        std::vector<std::string> values(form.fields.size());
        for (const std::string &a : opts.assignments) {
            std::size_t eq = a.find('=');
            if (eq == std::string::npos)
                throw InputError(Place{}, fmt::format("--set {}: expected NAME=VALUE", a));
            std::string name = a.substr(0, eq);
            auto field = form.find(name);
            if (!field) throw InputError(Place{opts.form_path, 0, 0, name}, "--set: no such field in the form");
            values[*field] = sjis_arg(conv, a.substr(eq + 1), "--set " + name);
            if (values[*field].size() > kValueLimit)
                throw InputError(Place{{}, 0, 0, name}, fmt::format("--set: the text has {} bytes in CP932; a field "
                                                                    "holds at most {}",
                                                                    values[*field].size(), kValueLimit));
        }
        std::string field = sjis_arg(conv, opts.field, "--field");
        if (field.size() > TALV_MAX_SELF_FIELD)
            throw InputError(Place{}, fmt::format("--field: the name has {} bytes in CP932; at most {}", field.size(),
                                                  TALV_MAX_SELF_FIELD));
        std::string expr_utf8 = opts.expr;
        if (!opts.expr_given) {
            auto index = form.find(opts.field);
            if (!index || !form.fields[*index].check)
                throw InputError(Place{opts.form_path, 0, 0, opts.field},
                                 "no expression given and the form has no check for this field");
            expr_utf8 = *form.fields[*index].check;
        }
        std::string expr = sjis_arg(conv, expr_utf8, "the expression");

        Checker checker(form, conv);
        if (uint32_t rc = checker.start(); rc != 0) {
            diag.error(fmt::format("the library refused the callbacks: PPR_init returned {:08X}: {}", rc,
                                   library_message(conv, rc)));
            return kExitError;
        }
        Record record;
        record.pack(values);
        checker.host().serve(&record);
        std::vector<TraceStep> steps;
        CallResult r = evaluate_expression(checker, conv, field, expr, opts.certify, &steps);
        uint32_t out = r.out, ret = r.ret;
        const std::string &message = r.message;
        Outcome outcome = classify(out, ret);
        // A false statement or an error can end the evaluation before the
        // end of the text: certify mode, which counts false statements as
        // holding, reads on to where the text ends.
        std::optional<Unread> unread = find_unread(steps, expr);
        if (!unread && !opts.certify && outcome != Outcome::Passed) {
            std::vector<TraceStep> lint_steps;
            evaluate_expression(checker, conv, field, expr, true, &lint_steps);
            unread = find_unread(lint_steps, expr);
        }
        std::string hint = unread || outcome != Outcome::Error ? std::string() : error_hint(steps, expr, out, conv);
        if (unread) {
            std::string told = unread_message(*unread, conv);
            std::string lines = visible_lines(
                expression_lines(expr, conv, underline(expr, unread->start, unread->length), std::string()));
            if (opts.strict) {
                diag.error(told + "; --strict: the outcome is not reported");
                fmt::print(stderr, "{}", lines);
                return kExitError;
            }
            std::fflush(stdout);
            fmt::print(stderr, "talvechk: warning: {}\n{}", visible(told), lines);
        } else if (!hint.empty() && opts.format != OutputFormat::Json) {
            std::fflush(stdout);
            fmt::print(stderr, "{}", visible_lines(expression_lines(expr, conv, error_caret(steps, expr, out, conv), hint)));
        }
        std::fflush(stderr);
        if (opts.format == OutputFormat::Json) {
            nlohmann::ordered_json j;
            j["field"] = opts.field;
            j["expression"] = expr_utf8;
            j["mode"] = opts.certify ? "certify" : "eval";
            j["outcome"] = outcome_word(outcome);
            j["code"] = hex_code(out);
            j["return"] = hex_code(ret);
            j["message"] = message;
            if (unread) {
                j["unread"] = {{"byte", unread->start + 1},
                               {"text", conv.to_utf8(unread->unread_sjis)},
                               {"message", unread_message(*unread, conv)}};
            }
            if (!hint.empty()) j["hint"] = hint;
            if (opts.explain) j["explain"] = trace_json(steps, expr, conv);
            print_json(j);
        } else {
            fmt::print("outcome   {}\nout-code  {}\nreturn    {}\nmessage   {}\n", outcome_word(outcome),
                       hex_code(out), hex_code(ret), visible_lines(message));
            if (opts.explain) fmt::print("explain\n{}", visible_lines(trace_text(steps, expr, conv, "  ")));
        }
        switch (outcome) {
        case Outcome::Passed: return kExitPass;
        case Outcome::Failed: return kExitFalse;
        case Outcome::Error: return kExitError;
        }
        return kExitError;
    } catch (const InputError &e) {
        diag.error(e);
        return kExitError;
    }
}

// The first bracketed range ("[A1..3]") of an expression, or "".
static std::string first_range(const std::string &expr) {
    for (std::size_t open = expr.find('['); open != std::string::npos; open = expr.find('[', open + 1)) {
        std::size_t close = expr.find(']', open);
        if (close == std::string::npos) break;
        if (expr.substr(open, close - open).find("..") != std::string::npos) return expr.substr(open, close - open + 1);
    }
    return "";
}

int run_fields(const FieldsOptions &opts) {
    Converter conv;
    Diagnostics diag;
    try {
        std::vector<std::string> names_utf8 = opts.names;
        if (names_utf8.empty() && !opts.form_path.empty()) {
            Form form = load_form(opts.form_path, conv);
            for (const FieldDef &f : form.fields) names_utf8.push_back(f.name);
        }
        std::vector<std::string> names;
        for (const std::string &n : names_utf8) names.push_back(sjis_arg(conv, n, "field name " + n));
        std::string expr = sjis_arg(conv, opts.expr, "the expression");
        for (std::size_t index : referenced_fields(conv, names, expr)) fmt::print("{}\n", visible(names_utf8[index]));
        // The library's listing leaves out what only a range names; say so
        // rather than let a short list pass for the whole answer.
        if (std::string range = first_range(opts.expr); !range.empty())
            fmt::print(stderr, "talvechk: note: fields named only through a range such as {} are not listed "
                               "(the listing covers fields named one by one)\n", visible(range));
        return kExitPass;
    } catch (const InputError &e) {
        diag.error(e);
        return kExitError;
    }
}

int run_message(const MessageOptions &opts) {
    Converter conv;
    Diagnostics diag;
    std::string digits = opts.code;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits = digits.substr(2);
    uint32_t code = 0;
    bool ok = !digits.empty() && digits.size() <= 8;
    for (char c : digits) {
        int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                : (c >= 'a' && c <= 'f')                     ? c - 'a' + 10
                : (c >= 'A' && c <= 'F')                     ? c - 'A' + 10
                                                             : -1;
        if (v < 0) ok = false;
        code = (code << 4) | static_cast<uint32_t>(v & 0xF);
    }
    if (!ok) {
        diag.error(fmt::format("\"{}\" is no code: give up to 8 hexadecimal digits, such as 90000002", opts.code));
        return kExitError;
    }
    std::string message;
    try {
        message = code_message(conv, code, opts.name.empty() ? std::nullopt : std::optional<std::string>(opts.name),
                               "--name");
    } catch (const InputError &e) {
        diag.error(e);
        return kExitError;
    }
    fmt::print("{}\n", visible_lines(message));
    if (std::string note = function_row_note(code); !note.empty()) {
        std::fflush(stdout);
        fmt::print(stderr, "talvechk: note: {}\n", visible(note));
    }
    // The library answers an unknown id with its text for an unexpected
    // error, which reads like a real message; the exit status must not.
    if (!message_known(code)) {
        diag.error(fmt::format("{}: no message has the id {} (the code AND FFFF); what is shown is the "
                               "library's answer to an unknown id", hex_code(code), code & 0xFFFFu));
        return kExitError;
    }
    return kExitPass;
}

}  // namespace talvhost
