#include "check/single_calls.h"

#include <cstring>
#include <optional>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "input/diagnostics.h"
#include "talvechk_functions.h"

namespace talvhost {

namespace {

void terminate_text(PPR_CERTIFY_RESULT &record) { record.text[sizeof record.text - 1] = '\0'; }

}  // namespace

uint32_t certify_check(const FieldDef &def, PPR_CERTIFY_RESULT &record, std::vector<TraceStep> *steps) {
    std::memset(&record, 0, sizeof record);
    std::optional<TraceCollector> trace;
    if (steps) trace.emplace();
    const uint32_t ret = PPR_certify(&record, def.sjis_name.c_str(), def.sjis_check.c_str());
    if (steps) *steps = trace->take();
    terminate_text(record);
    return ret;
}

std::vector<CallResult> evaluate_form(Checker &checker, const Form &form, const Record &record,
                                      std::vector<std::vector<TraceStep>> *steps) {
    std::vector<CallResult> results;
    checker.host().serve(&record);
    for (std::size_t i = 0; i < form.fields.size(); ++i) {
        const FieldDef &def = form.fields[i];
        if (!def.check) continue;
        CallResult r;
        r.field = i;
        checker.host().forget_missing();
        if (steps) {
            // Around the evaluation only: the message lookup after it may
            // evaluate again in certify mode.
            TraceCollector trace;
            r.ret = PPR_eval(&r.out, def.sjis_name.c_str(), def.sjis_check.c_str());
            steps->push_back(trace.take());
        } else {
            r.ret = PPR_eval(&r.out, def.sjis_name.c_str(), def.sjis_check.c_str());
        }
        r.message = checker.explain(def.sjis_name, def.sjis_check, r.out, r.ret);
        results.push_back(std::move(r));
    }
    checker.host().serve(nullptr);
    return results;
}

std::vector<CallResult> certify_form(Checker &checker, Converter &conv, const Form &form) {
    std::vector<CallResult> results;
    checker.host().serve(nullptr);
    for (std::size_t i = 0; i < form.fields.size(); ++i) {
        const FieldDef &def = form.fields[i];
        if (!def.check) continue;
        PPR_CERTIFY_RESULT record;
        CallResult r;
        r.field = i;
        r.ret = certify_check(def, record);
        r.out = record.code;
        r.message = r.ret != 0 ? library_message(conv, r.ret) : record_message(conv, record);
        results.push_back(std::move(r));
    }
    return results;
}

CallResult evaluate_expression(Checker &checker, Converter &conv, const std::string &field, const std::string &expr,
                               bool certify, std::vector<TraceStep> *steps) {
    CallResult r;
    std::optional<TraceCollector> trace;
    if (steps) trace.emplace();
    auto stop_trace = [&] {
        if (trace) *steps = trace->take(), trace.reset();
    };
    if (certify) {
        PPR_CERTIFY_RESULT record;
        std::memset(&record, 0, sizeof record);
        r.ret = PPR_certify(&record, field.c_str(), expr.c_str());
        stop_trace();
        terminate_text(record);
        r.out = record.code;
        r.message = r.ret != 0 ? library_message(conv, r.ret) : record_message(conv, record);
    } else {
        checker.host().forget_missing();
        r.ret = PPR_eval(&r.out, field.c_str(), expr.c_str());
        stop_trace();
        r.message = checker.explain(field, expr, r.out, r.ret);
    }
    return r;
}

Form adhoc_form(const std::vector<std::string> &names, Converter &conv, const std::string &origin) {
    nlohmann::json fields = nlohmann::json::array();
    std::vector<std::string> seen;
    for (const std::string &name : names) {
        bool known = false;
        for (const std::string &s : seen) known = known || s == name;
        if (known) continue;
        seen.push_back(name);
        fields.push_back({{"name", name}});
    }
    if (fields.empty()) {
        Form none;
        none.path = origin;
        return none;
    }
    return parse_form(nlohmann::json{{"fields", fields}}.dump(), origin, conv);
}

std::string code_message(Converter &conv, uint32_t code, const std::optional<std::string> &name_utf8,
                         const std::string &what) {
    if (!name_utf8) return library_message(conv, code);
    std::string name;
    try {
        name = conv.to_cp932(*name_utf8);
    } catch (const TextError &e) {
        throw InputError(Place{}, fmt::format("{}: {} at byte {}", what, e.what(), e.offset + 1));
    }
    PPR_CERTIFY_RESULT record;
    std::memset(&record, 0, sizeof record);
    record.code = code;
    std::strncpy(record.text, name.c_str(), sizeof record.text - 1);
    return record_message(conv, record);
}

std::string function_row_note(uint32_t code) {
    if ((code & 0xFF00FFFFu) != TALV_E_ARGUMENTS) return "";
    uint32_t row = (code >> 16) & 0xFFu;
    std::optional<std::string> builtin, companion;
    if (const char *name = talv_builtin_name(row)) builtin = name;
    uint32_t companion_rows = 0;
    while (ext_func_tab[companion_rows].func) ++companion_rows;
    if (row < companion_rows)
        companion = std::string(ext_func_tab[row].name, strnlen(ext_func_tab[row].name, sizeof ext_func_tab[row].name));
    std::string head = fmt::format("{:08X}: wrong arguments to the function in row {} of its table: ", code, row);
    if (builtin && companion)
        return head + fmt::format("the built-in {} or the companion library's {}", *builtin, *companion);
    if (builtin) return head + fmt::format("the built-in {} (the companion library's table has no row {})", *builtin, row);
    if (companion) return head + fmt::format("the companion library's {} (no built-in has row {})", *companion, row);
    uint32_t builtin_rows = 0;
    while (talv_builtin_name(builtin_rows)) ++builtin_rows;
    return head + fmt::format("none (built-in rows 0 to {}, companion rows 0 to {})", builtin_rows - 1,
                              companion_rows ? companion_rows - 1 : 0);
}

std::vector<std::size_t> referenced_fields(Converter &conv, const std::vector<std::string> &names,
                                           const std::string &expr) {
    std::vector<const char *> pointers;
    for (const std::string &n : names) pointers.push_back(n.c_str());
    pointers.push_back(nullptr);
    std::vector<int32_t> listed(names.size() + 1, -1);
    uint32_t ret = PPR_chkfld(listed.data(), pointers.data(), expr.c_str());
    if (ret != 0)
        throw InputError(Place{}, fmt::format("PPR_chkfld returned {:08X}: {}", ret, library_message(conv, ret)));
    std::vector<std::size_t> out;
    for (int32_t index : listed) {
        if (index < 0 || static_cast<std::size_t>(index) >= names.size()) break;
        out.push_back(static_cast<std::size_t>(index));
    }
    return out;
}

}  // namespace talvhost
