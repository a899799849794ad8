// JSON Lines results: one object per line, field name -> recognised text
// (a string, or null for nothing recognised).
#include <algorithm>
#include <set>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "input/json_limits.h"
#include "input/results.h"

namespace talvhost {

namespace {

// Keys said to be unknown; past this many the rest go unsaid, so that
// memory and noise stay bounded.
constexpr std::size_t kUnknownKeysRemembered = 64;

class JsonlReader : public FormReader {
public:
    JsonlReader(std::unique_ptr<LineSource> src, const Form &form, const ReadOptions &opts, Converter &conv,
                Diagnostics &diag)
        : src_(std::move(src)), path_(src_->path()), form_(form), opts_(opts), conv_(conv), diag_(diag),
          sink_{path_, form_, opts_.encoding, conv_, diag_}, utf8_sink_{path_, form_, Encoding::Utf8, conv_, diag_} {
        if (!opts_.id_column.empty()) id_sjis_ = conv_.to_cp932(opts_.id_column);
    }

    BlockLayout block_layout() const override { return BlockLayout{}; }
    LineSource *source() override { return src_.get(); }

    Next next(Record &rec) override {
        SourceLine line;
        std::size_t skip = 0;
        for (;;) {
            if (!src_->next(line)) return Next::End;
            skip = line.number == 1 && opts_.encoding == Encoding::Utf8 && line.text.substr(0, 3) == "\xEF\xBB\xBF"
                       ? 3
                       : 0;
            if (line.cut() || !is_blank_line(line.text.substr(skip))) break;
        }
        rec.number = ++forms_;
        rec.line = line.number;
        try {
            if (line.cut())
                throw InputError(Place{path_, line.number, 0, {}},
                                 fmt::format("the line has {} bytes, more than the {} a form may take",
                                             line.length, kLineLimit));
            return read_object(rec, line.text.substr(skip), line.number, skip) ? Next::Good : Next::Bad;
        } catch (const InputError &e) {
            diag_.error(InputError(e.place(), std::string(e.what()) + "; the form is not checked"));
            return Next::Bad;
        } catch (const nlohmann::json::exception &) {
            // The parser's values are read with their type checked first;
            // should one still throw, it costs this form, not the batch.
            diag_.error(InputError(Place{path_, line.number, 0, {}},
                                   "a value the reader cannot take; the form is not checked"));
            return Next::Bad;
        }
    }

private:
    bool read_object(Record &rec, std::string_view body, long number, std::size_t skip) {
        // JSON is UTF-8 text; a CP932 line is checked and read as UTF-8.
        std::string utf8;
        if (opts_.encoding == Encoding::Cp932) {
            try {
                conv_.check_cp932(body);
            } catch (const TextError &e) {
                throw InputError(Place{path_, number, static_cast<long>(skip + e.offset) + 1, {}}, e.what());
            }
            utf8 = conv_.to_utf8(body);
        } else {
            utf8 = std::string(body);
        }
        nlohmann::json obj;
        try {
            obj = parse_json_limited(utf8, kResultsDepthLimit);
        } catch (const JsonFault &f) {
            // Columns are only known where the bytes are the file's own.
            long column = opts_.encoding == Encoding::Utf8 ? static_cast<long>(skip + f.offset) + 1 : 0;
            Place at{path_, number, column, {}};
            switch (f.kind) {
            case JsonFault::Kind::RepeatedKey: {
                bool is_field = f.depth == 1 && form_.find(f.key).has_value();
                throw InputError(at, fmt::format("{} \"{}\" named again", is_field ? "field" : "key", visible(f.key)));
            }
            case JsonFault::Kind::TooDeep:
            case JsonFault::Kind::Number:
                throw InputError(at, fmt::format("{} (a value is a string or null)", f.what()));
            case JsonFault::Kind::Syntax: {
                std::string what = "malformed JSON: " + std::string(f.what());
                if (opts_.encoding == Encoding::Cp932 && what.find("backslash") != std::string::npos)
                    what += " (in CP932 the yen sign is the byte 0x5C, JSON's escape character: write it twice, or "
                            "as \\u00a5)";
                throw InputError(at, what);
            }
            }
        }
        if (!obj.is_object()) throw InputError(Place{path_, number, 0, {}}, "each line must be a JSON object of field names");
        std::vector<std::string> values(form_.fields.size());
        bool good = true;
        for (auto &[key, value] : obj.items()) {
            std::string key_sjis;
            try {
                key_sjis = conv_.to_cp932(key);
            } catch (const TextError &e) {
                diag_.error(InputError(Place{path_, number, 0, {}}, fmt::format("key \"{}\": {}; ignored", visible(key), e.what())));
                continue;
            }
            if (!id_sjis_.empty() && key_sjis == id_sjis_) {
                rec.id = value.is_string() ? value.get<std::string>() : value.dump();
                continue;
            }
            auto it = form_.by_sjis_name.find(key_sjis);
            if (it == form_.by_sjis_name.end()) {
                // Said once a key, at its first line: a key of its own costs no form.
                if (!opts_.ignore_unknown && unknown_said_.size() < kUnknownKeysRemembered &&
                    std::find(opts_.keep.begin(), opts_.keep.end(), key) == opts_.keep.end() &&
                    unknown_said_.insert(key).second)
                    diag_.warning(InputError(Place{path_, number, 0, {}},
                                             fmt::format("unknown field \"{}\" (not in {}); the key is ignored "
                                                         "(--keep it if it is meant)",
                                                         visible(key), form_.path)),
                                  Diagnostics::Once{"key", key, kUnknownKeysRemembered});
                continue;
            }
            if (value.is_null()) continue;
            if (!value.is_string()) {
                diag_.error(InputError(Place{path_, number, 0, key},
                                       fmt::format("the value must be a string or null, not {}; the form is not "
                                                   "checked",
                                                   value.type_name())));
                good = false;
                continue;
            }
            const std::string &text = value.get_ref<const std::string &>();
            TextPlace place{number, 0, nullptr, nullptr};
            if (opts_.encoding == Encoding::Utf8) {
                good &= sink_.store(rec, values, it->second, text, place);
            } else {
                // Back to the bytes the file had (a CP932 round trip).
                good &= utf8_sink_.store(rec, values, it->second, text, place);
                rec.forget_shown(it->second);
            }
        }
        if (good) rec.pack(values);
        return good;
    }

    std::unique_ptr<LineSource> src_;
    std::string path_;
    const Form &form_;
    ReadOptions opts_;
    Converter &conv_;
    Diagnostics &diag_;
    ValueSink sink_, utf8_sink_;
    std::string id_sjis_;
    std::set<std::string> unknown_said_;
    long forms_ = 0;
};

}  // namespace

std::unique_ptr<FormReader> open_jsonl(std::unique_ptr<LineSource> src, const Form &form, const ReadOptions &opts,
                                       Converter &conv, Diagnostics &diag) {
    return std::make_unique<JsonlReader>(std::move(src), form, opts, conv, diag);
}

}  // namespace talvhost
