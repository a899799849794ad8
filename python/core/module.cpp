// talvechk._core: forms, single checks, messages and field listings over
// the host core.  The pure-Python package on top gives the public names.
#include <cstdint>
#include <optional>
#include <stdexcept>

#include <fmt/format.h>
#include <pybind11/stl.h>

#include "check/checker.h"
#include "core.h"
#include "batch.h"
#include "check_explained.h"
#include "check/lint.h"
#include "input/record_builder.h"
#include "report/report.h"
#include "check/single_calls.h"

namespace talvpy {

using namespace talvhost;

std::mutex &library_lock() {
    static std::mutex lock;
    return lock;
}

Converter &converter() {
    static Converter conv;
    return conv;
}

std::string type_name(py::handle object) {
    return py::str(py::type::handle_of(object).attr("__name__")).cast<std::string>();
}

py::str text_of(const std::string &utf8) {
    PyObject *text = PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), "replace");
    if (!text) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(text);
}

std::string utf8_of(py::handle text, const std::string &what) {
    Py_ssize_t size = 0;
    const char *data = PyUnicode_AsUTF8AndSize(text.ptr(), &size);
    if (!data) {
        PyErr_Clear();
        throw py::value_error(fmt::format("{}: the text cannot be encoded as UTF-8 (a lone surrogate?)", what));
    }
    return std::string(data, static_cast<std::size_t>(size));
}

std::vector<NamedValue> named_values(py::handle mapping) {
    // A Mapping, or anything else with items() (a pandas Series, say).
    if (PyUnicode_Check(mapping.ptr()) || !py::hasattr(mapping, "items"))
        throw py::type_error(fmt::format("values must be a mapping of field names to texts, not {}",
                                         type_name(mapping)));
    std::vector<NamedValue> out;
    for (py::handle item : mapping.attr("items")()) {
        if (!PyTuple_Check(item.ptr()) || PyTuple_GET_SIZE(item.ptr()) != 2)
            throw py::type_error("values.items() must give (name, text) pairs");
        py::handle key = PyTuple_GET_ITEM(item.ptr(), 0), value = PyTuple_GET_ITEM(item.ptr(), 1);
        if (!PyUnicode_Check(key.ptr()))
            throw py::type_error(fmt::format("field names must be str, not {}", type_name(key)));
        std::string name = utf8_of(key, "a field name");
        if (value.is_none()) {
            out.push_back({std::move(name), {}});
            continue;
        }
        if (!PyUnicode_Check(value.ptr()))
            throw py::type_error(fmt::format("field {}: the value must be str or None, not {}", name,
                                             type_name(value)));
        std::string text = utf8_of(value, "field " + name);
        out.push_back({std::move(name), std::move(text)});
    }
    return out;
}

void start_checker(Checker &checker) {
    if (uint32_t rc = checker.start(); rc != 0)
        throw std::runtime_error(fmt::format("the library refused the callbacks: {:08X}", rc));
}

py::dict shown_values(const LoadedForm &loaded, const std::vector<std::pair<std::size_t, std::string>> &shown) {
    py::dict values;
    for (const auto &[field, text] : shown) values[py::str(loaded.form.fields[field].name)] = text_of(text);
    return values;
}

namespace {

// Raised inside the library lock, where no Python object may be made.
[[noreturn]] void value_fault(const InputError &e) { throw py::value_error(e.full()); }

LoadedForm parse_loaded(const std::string &text, const std::string &path) {
    return with_library([&] {
        LoadedForm loaded;
        try {
            loaded.form = parse_form(text, path, converter());
        } catch (const InputError &e) {
            throw FormFault{e};
        }
        loaded.definition = text;
        loaded.show = fields_to_show(loaded.form, converter());
        return loaded;
    });
}

std::string read_definition(const std::string &path) {
    py::gil_scoped_release nogil;
    try {
        return read_form_file(path);
    } catch (const InputError &e) {
        throw FormFault{e};
    }
}

// The field, the result and the shown values of one check.
using CheckRow = std::tuple<std::size_t, CallResult, std::vector<std::pair<std::size_t, std::string>>>;

py::list check_values(const LoadedForm &loaded, py::handle values, bool explain, bool suggest) {
    explain = explain || suggest;
    std::vector<NamedValue> given = named_values(values);
    std::vector<std::string> traces;
    std::vector<CheckRow> rows = with_library([&] {
        Converter &conv = converter();
        RecordBuilder builder(loaded.form, conv);
        for (const NamedValue &v : given) {
            auto field = loaded.form.find(v.name);
            if (!field) throw py::value_error(fmt::format("no field \"{}\" in the form", visible(v.name)));
            try {
                builder.set(*field, v.text);
            } catch (const InputError &e) {
                value_fault(e);
            }
        }
        Record record = builder.take(1);
        Checker checker(loaded.form, conv);
        start_checker(checker);
        std::vector<CheckRow> out;
        for (CallResult &r : explain ? evaluate_form_explained(checker, conv, loaded.form, record, suggest, traces)
                                     : evaluate_form(checker, loaded.form, record)) {
            std::vector<std::pair<std::size_t, std::string>> shown;
            for (std::size_t f : loaded.show[r.field]) shown.emplace_back(f, shown_value(record, f, conv));
            out.emplace_back(r.field, std::move(r), std::move(shown));
        }
        return out;
    });
    py::list out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto &[field, r, shown] = rows[i];
        out.append(py::make_tuple(loaded.form.fields[field].name, outcome_word(r.outcome()), r.out, r.ret,
                                  r.message, shown_values(loaded, shown),
                                  explain ? py::object(py::str(traces[i])) : py::object(py::none())));
    }
    return out;
}

py::list certify_all(const LoadedForm &loaded) {
    std::vector<CallResult> results = with_library([&] {
        Checker checker(loaded.form, converter());
        start_checker(checker);
        return certify_form(checker, converter(), loaded.form);
    });
    py::list out;
    for (const CallResult &r : results)
        out.append(py::make_tuple(loaded.form.fields[r.field].name, outcome_word(r.outcome()), r.out, r.ret,
                                  r.message, py::dict()));
    return out;
}

// The lint-first pass of the command: what it tells before a batch.
py::list lint_all(const LoadedForm &loaded) {
    py::list out;
    LintReport report = with_library([&] { return lint_form(loaded.form, converter()); });
    for (const LintFinding &f : report.findings) {
        py::dict d;
        d["field"] = loaded.form.fields[f.field].name;
        d["verdict"] = f.verdict == LintVerdict::Broken ? "error" : f.verdict == LintVerdict::Unread ? "unread" : "warning";
        d["code"] = f.out;
        d["return"] = f.ret;
        d["message"] = f.message;
        d["hint"] = f.hint.empty() ? py::object(py::none()) : py::object(py::str(f.hint));
        if (f.unread) {
            d["byte"] = f.unread->start + 1;
            d["unread"] = converter().to_utf8(f.unread->unread_sjis);
        }
        out.append(std::move(d));
    }
    return out;
}

std::string cp932_of(Converter &conv, const std::string &utf8, const std::string &what) {
    try {
        return conv.to_cp932(utf8);
    } catch (const TextError &e) {
        throw py::value_error(fmt::format("{}: {} at byte {}", what, e.what(), e.offset + 1));
    }
}

py::tuple evaluate(const std::string &expression, const std::string &field, py::handle values, bool certify) {
    std::vector<NamedValue> given = named_values(values);
    CallResult r = with_library([&] {
        Converter &conv = converter();
        std::vector<std::string> names;
        for (const NamedValue &v : given) names.push_back(v.name);
        Form form;
        try {
            form = adhoc_form(names, conv);
        } catch (const InputError &e) {
            value_fault(e);
        }
        RecordBuilder builder(form, conv);
        for (const NamedValue &v : given) {
            try {
                builder.set(*form.find(v.name), v.text);
            } catch (const InputError &e) {
                value_fault(e);
            }
        }
        Record record = builder.take(1);
        std::string field_sjis = cp932_of(conv, field, "field");
        if (field_sjis.size() > TALV_MAX_SELF_FIELD)
            throw py::value_error(fmt::format("field: the name has {} bytes in CP932; at most {}", field_sjis.size(),
                                              TALV_MAX_SELF_FIELD));
        std::string expr = cp932_of(conv, expression, "expression");
        Checker checker(form, conv);
        start_checker(checker);
        checker.host().serve(&record);
        return evaluate_expression(checker, conv, field_sjis, expr, certify);
    });
    return py::make_tuple(outcome_word(r.outcome()), r.out, r.ret, r.message);
}

uint32_t code_of(py::handle code) {
    if (!PyLong_Check(code.ptr()) || PyBool_Check(code.ptr()))
        throw py::type_error("code must be an int (such as 0x90000002)");
    int overflow = 0;
    long long v = PyLong_AsLongLongAndOverflow(code.ptr(), &overflow);
    if (overflow || v < 0 || v > 0xFFFFFFFFLL) throw py::value_error("code must be from 0 to 0xFFFFFFFF");
    return static_cast<uint32_t>(v);
}

std::string message(py::handle code, std::optional<std::string> name) {
    uint32_t value = code_of(code);
    return with_library([&] {
        try {
            return code_message(converter(), value, name);
        } catch (const InputError &e) {
            value_fault(e);
        }
    });
}

py::list fields(const std::string &expression, const std::vector<std::string> &names) {
    std::vector<std::size_t> listed = with_library([&] {
        Converter &conv = converter();
        std::vector<std::string> sjis;
        for (const std::string &n : names) sjis.push_back(cp932_of(conv, n, "field name " + n));
        std::string expr = cp932_of(conv, expression, "expression");
        try {
            return referenced_fields(conv, sjis, expr);
        } catch (const InputError &e) {
            value_fault(e);
        }
    });
    py::list out;
    for (std::size_t i : listed) out.append(names[i]);
    return out;
}

void raise_form_error(const InputError &e) {
    py::object cls = py::module_::import("talvechk._errors").attr("FormError");
    const Place &at = e.place();
    auto or_none = [](long v) { return v > 0 ? py::object(py::int_(v)) : py::object(py::none()); };
    py::object error = cls(e.full(), at.file.empty() ? py::object(py::none()) : py::object(py::str(at.file)),
                           or_none(at.line), or_none(at.column),
                           at.field.empty() ? py::object(py::none()) : py::object(py::str(at.field)),
                           py::str(e.what()));
    PyErr_SetObject(cls.ptr(), error.ptr());
}

}  // namespace

}  // namespace talvpy

PYBIND11_MODULE(_core, m) {
    using namespace talvpy;
    m.doc() = "The compiled half of talvechk; use the talvechk package.";

    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const FormFault &fault) {
            raise_form_error(fault.error);
        } catch (const TextError &e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        }
    });

    py::class_<LoadedForm> form(m, "LoadedForm");
    form.def_static("parse", &parse_loaded, py::arg("text"), py::arg("path"))
        .def_static("load",
                    [](const py::bytes &raw) {
                        std::string path = raw;
                        return parse_loaded(read_definition(path), path);
                    },
                    py::arg("path"))
        .def_property_readonly("path", [](const LoadedForm &f) { return f.form.path; })
        .def_property_readonly("title", [](const LoadedForm &f) { return f.form.title; })
        .def_property_readonly("definition", [](const LoadedForm &f) { return f.definition; })
        .def_property_readonly("fields",
                               [](const LoadedForm &f) {
                                   py::list names;
                                   for (const auto &def : f.form.fields) names.append(def.name);
                                   return names;
                               })
        .def_property_readonly("checks",
                               [](const LoadedForm &f) {
                                   py::dict checks;
                                   for (const auto &def : f.form.fields)
                                       if (def.check) checks[py::str(def.name)] = *def.check;
                                   return checks;
                               })
        .def("check", &check_values, py::arg("values"), py::arg("explain") = false, py::arg("suggest") = false)
        .def("certify", &certify_all)
        .def("lint", &lint_all);
    bind_frame_check(m, form);
    bind_blocks(m, form);

    m.def("evaluate", &evaluate, py::arg("expression"), py::arg("field"), py::arg("values"), py::arg("certify"));
    m.def("message", &message, py::arg("code"), py::arg("name") = py::none());
    m.def("fields", &fields, py::arg("expression"), py::arg("names"));
    m.attr("VALUE_LIMIT") = talvhost::kValueLimit;
    m.attr("EXPLAIN_STEPS") = kExplainSteps;
}
