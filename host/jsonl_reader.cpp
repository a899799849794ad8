// JSON Lines results: one object per line, field name -> recognised text
// (a string, or null for nothing recognised).
#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "results.h"

namespace talvhost {

void read_jsonl(std::string_view text, const std::string &path, const Form &form, const ReadOptions &opts,
                Converter &conv, Diagnostics &diag, Batch &batch) {
    using nlohmann::json;
    ValueSink sink{path, form, opts.encoding, conv, diag};
    std::string id_sjis = opts.id_column.empty() ? "" : conv.to_cp932(opts.id_column);
    for (const Line &line : split_lines(text)) {
        std::size_t skip = bom_length(line, opts.encoding);
        std::string_view body = line.text.substr(skip);
        if (body.find_first_not_of(" \t") == std::string_view::npos) continue;
        ++batch.forms;
        Record rec;
        rec.number = batch.forms;
        rec.line = line.number;
        std::vector<std::string> values(form.fields.size());
        bool good = true;
        try {
            // JSON is UTF-8 text; a CP932 line is checked and read as UTF-8.
            std::string utf8;
            if (opts.encoding == Encoding::Cp932) {
                try {
                    conv.check_cp932(body);
                } catch (const TextError &e) {
                    throw InputError(Place{path, line.number, static_cast<long>(skip + e.offset) + 1, {}},
                                     std::string(e.what()) + "; the form is not checked");
                }
                utf8 = conv.to_utf8(body);
            } else {
                utf8 = std::string(body);
            }
            json obj;
            try {
                obj = json::parse(utf8);
            } catch (const json::parse_error &e) {
                std::string what = e.what();
                if (auto p = what.find("syntax error"); p != std::string::npos) what = what.substr(p);
                long column = opts.encoding == Encoding::Utf8 && e.byte > 0 ? static_cast<long>(skip + e.byte) : 0;
                if (opts.encoding == Encoding::Cp932 && what.find("backslash") != std::string::npos)
                    what += " (in CP932 the yen sign is the byte 0x5C, JSON's escape character: write it twice, or "
                            "as \\u00a5)";
                throw InputError(Place{path, line.number, column, {}},
                                 "malformed JSON: " + what + "; the form is not checked");
            }
            if (!obj.is_object())
                throw InputError(Place{path, line.number, 0, {}},
                                 "each line must be a JSON object of field names; the form is not checked");
            for (auto &[key, value] : obj.items()) {
                std::string key_sjis;
                try {
                    key_sjis = conv.to_cp932(key);
                } catch (const TextError &e) {
                    diag.error(InputError(Place{path, line.number, 0, {}},
                                          fmt::format("key \"{}\": {}; ignored", key, e.what())));
                    continue;
                }
                if (!id_sjis.empty() && key_sjis == id_sjis) {
                    rec.id = value.is_string() ? value.get<std::string>() : value.dump();
                    continue;
                }
                auto it = form.by_sjis_name.find(key_sjis);
                if (it == form.by_sjis_name.end()) {
                    diag.error(InputError(Place{path, line.number, 0, key},
                                          fmt::format("unknown field (not in {}); ignored", form.path)));
                    continue;
                }
                if (value.is_null()) continue;
                if (!value.is_string()) {
                    diag.error(InputError(Place{path, line.number, 0, key},
                                          fmt::format("the value must be a string or null, not {}; the form is not "
                                                      "checked",
                                                      value.type_name())));
                    good = false;
                    continue;
                }
                std::string utf8_value = value.get<std::string>();
                if (opts.encoding == Encoding::Utf8) {
                    good &= sink.store(rec, values, it->second, utf8_value, line.number, 0);
                } else {
                    // Back to the bytes the file had (a CP932 round trip).
                    ValueSink utf8_sink{path, form, Encoding::Utf8, conv, diag};
                    good &= utf8_sink.store(rec, values, it->second, utf8_value, line.number, 0);
                    rec.forget_shown(it->second);
                }
            }
        } catch (const InputError &e) {
            diag.error(e);
            good = false;
        }
        batch.finish(std::move(rec), values, good);
    }
}

}  // namespace talvhost
