#include "input/form.h"

#include <cstdint>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "input/diagnostics.h"
#include "input/json_limits.h"
#include "input/line_source.h"
#include "talvechk.h"

namespace talvhost {

namespace {

using nlohmann::json;

// Sizes of the host records the library reads (a NUL follows each text).
constexpr std::size_t kTypeLimit = 64;
constexpr std::size_t kClassLimit = 256;
// Far beyond what 960 fields need, and refused before it costs.
constexpr std::size_t kFormSizeLimit = 16u << 20;
constexpr int kFormDepthLimit = 16;

Place line_column(const std::string &path, const std::string &text, std::size_t offset) {
    Place at{path, 1, 1, {}};
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++at.line;
            at.column = 1;
        } else {
            ++at.column;
        }
    }
    return at;
}

class FieldReader {
public:
    FieldReader(const std::string &path, std::size_t index, Converter &conv)
        : path_(path), index_(index), conv_(conv) {}

    [[noreturn]] void fail(const std::string &what) const {
        Place at{path_, 0, 0, name_.empty() ? fmt::format("#{}", index_ + 1) : name_};
        throw InputError(at, what);
    }

    std::string text(const json &obj, const char *key, bool required) {
        auto it = obj.find(key);
        if (it == obj.end() || it->is_null()) {
            if (required) fail(fmt::format("\"{}\" is missing", key));
            return {};
        }
        if (!it->is_string()) fail(fmt::format("\"{}\" must be a string", key));
        return it->get<std::string>();
    }

    std::string sjis(const std::string &utf8, const char *key) {
        try {
            return conv_.to_cp932(utf8);
        } catch (const TextError &e) {
            fail(fmt::format("\"{}\": {} at byte {}", key, e.what(), e.offset + 1));
        }
    }

    FieldDef read(const json &obj) {
        if (!obj.is_object()) fail("each entry of \"fields\" must be an object");
        for (auto &[key, value] : obj.items()) {
            (void)value;
            static const char *known[] = {"name", "label", "type", "class", "length", "excluded", "check"};
            bool ok = false;
            for (const char *k : known) ok = ok || key == k;
            if (!ok) {
                name_ = obj.contains("name") && obj["name"].is_string() ? obj["name"].get<std::string>() : "";
                fail(fmt::format("unknown key \"{}\" (known: name, label, type, class, length, excluded, check)",
                                 key));
            }
        }
        FieldDef f;
        f.name = text(obj, "name", true);
        name_ = f.name;
        f.sjis_name = sjis(f.name, "name");
        check_name(f.sjis_name);
        f.label = text(obj, "label", false);
        if (obj.contains("type")) f.type = sjis(text(obj, "type", true), "type");
        if (f.type.size() > kTypeLimit)
            fail(fmt::format("\"type\" has {} bytes; at most {}", f.type.size(), kTypeLimit));
        f.class_spec = sjis(text(obj, "class", false), "class");
        if (f.class_spec.size() > kClassLimit)
            fail(fmt::format("\"class\" has {} bytes in CP932; at most {}", f.class_spec.size(), kClassLimit));
        if (auto it = obj.find("length"); it != obj.end()) {
            if (!it->is_number_integer() || it->get<long long>() < 0 || it->get<long long>() > INT32_MAX)
                fail("\"length\" must be a whole number from 0 to 2147483647");
            f.attr = static_cast<int32_t>(it->get<long long>());
        }
        if (auto it = obj.find("excluded"); it != obj.end()) {
            if (!it->is_boolean()) fail("\"excluded\" must be true or false");
            f.excluded = it->get<bool>();
        }
        if (auto it = obj.find("check"); it != obj.end() && !it->is_null()) {
            f.check = text(obj, "check", true);
            // Too long an expression is left to the library, which has a
            // message of its own for it.
            f.sjis_check = sjis(*f.check, "check");
        }
        return f;
    }

private:
    void check_name(const std::string &sjis_name) const {
        if (sjis_name.empty()) fail("\"name\" is empty");
        if (sjis_name.size() > TALV_MAX_FIELD_NAME)
            fail(fmt::format("the name has {} bytes in CP932; at most {}", sjis_name.size(), TALV_MAX_FIELD_NAME));
        // A check expression could never reference such a name: brackets and
        // "$" delimit references, and blanks around a name are trimmed.
        if (sjis_name.front() == ' ' || sjis_name.back() == ' ')
            fail("the name begins or ends with a blank");
        for (std::size_t i = 0; i < sjis_name.size(); ++i) {
            unsigned char c = static_cast<unsigned char>(sjis_name[i]);
            if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
                ++i;  // trail bytes may look like brackets
                continue;
            }
            if (c < 0x20 || c == 0x7F) fail("the name holds a control character");
            if (c == '[' || c == ']' || c == '$' || c == '\'')
                fail(fmt::format("the name holds \"{}\", which check expressions cannot reference",
                                 static_cast<char>(c)));
        }
    }

    const std::string &path_;
    std::size_t index_;
    Converter &conv_;
    std::string name_;
};

}  // namespace

std::size_t Form::check_count() const {
    std::size_t n = 0;
    for (const FieldDef &f : fields) n += f.check ? 1 : 0;
    return n;
}

std::string read_file(const std::string &path) { return read_whole_file(path, SIZE_MAX); }

Form parse_form(const std::string &text, const std::string &path, Converter &conv) {
    json doc;
    try {
        doc = parse_json_limited(text, kFormDepthLimit);
    } catch (const JsonFault &f) {
        Place at = line_column(path, text, f.offset);
        switch (f.kind) {
        case JsonFault::Kind::Syntax: throw InputError(at, std::string("malformed JSON: ") + f.what());
        case JsonFault::Kind::TooDeep:
            throw InputError(at, fmt::format("{} (a form definition has 3)", f.what()));
        case JsonFault::Kind::RepeatedKey:
            throw InputError(at, fmt::format("{} (the first would be lost)", f.what()));
        case JsonFault::Kind::Number: throw InputError(at, f.what());
        }
    }
    Place file_place{path, 0, 0, {}};
    if (!doc.is_object()) throw InputError(file_place, "a form definition is a JSON object with \"fields\"");
    for (auto &[key, value] : doc.items()) {
        (void)value;
        if (key != "form" && key != "description" && key != "fields")
            throw InputError(file_place, fmt::format("unknown key \"{}\" (known: form, description, fields)", key));
    }
    Form form;
    form.path = path;
    if (auto it = doc.find("form"); it != doc.end()) {
        if (!it->is_string()) throw InputError(file_place, "\"form\" must be a string");
        form.title = it->get<std::string>();
    }
    auto fields = doc.find("fields");
    if (fields == doc.end() || !fields->is_array())
        throw InputError(file_place, "\"fields\" must be an array of field objects");
    if (fields->empty()) throw InputError(file_place, "\"fields\" is empty");
    if (fields->size() > TALV_MAX_FIELDS)
        throw InputError(file_place, fmt::format("{} fields; a form has at most {}", fields->size(), TALV_MAX_FIELDS));
    for (std::size_t i = 0; i < fields->size(); ++i) {
        FieldReader reader(path, i, conv);
        FieldDef f = reader.read((*fields)[i]);
        if (form.by_sjis_name.count(f.sjis_name))
            throw InputError(Place{path, 0, 0, f.name}, "defined twice");
        form.by_sjis_name.emplace(f.sjis_name, form.fields.size());
        form.by_name.emplace(f.name, form.fields.size());
        form.fields.push_back(std::move(f));
    }
    return form;
}

std::string read_form_file(const std::string &path) { return read_whole_file(path, kFormSizeLimit); }

Form load_form(const std::string &path, Converter &conv) { return parse_form(read_form_file(path), path, conv); }

}  // namespace talvhost
