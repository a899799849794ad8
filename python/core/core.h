// Shared by the binding's files: a loaded form, and the one lock that
// serialises every use of the library (its callbacks and evaluation state
// are per process).
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include <pybind11/pybind11.h>

#include "check/checker.h"
#include "input/diagnostics.h"
#include "input/encoding.h"
#include "input/form.h"

namespace talvpy {

namespace py = pybind11;

// The converter's caches are shared too; both are used only under this lock.
std::mutex &library_lock();
talvhost::Converter &converter();

// Runs work without the GIL and under the library lock.  The lock is taken
// only once the GIL is let go, so a thread waiting for it never holds up
// the interpreter.  work must not touch Python objects.
template <class Work>
auto with_library(Work &&work) {
    py::gil_scoped_release nogil;
    std::lock_guard<std::mutex> hold(library_lock());
    return work();
}

struct LoadedForm {
    talvhost::Form form;
    std::string definition;  // the JSON text it was made from, for pickling
    std::vector<std::vector<std::size_t>> show;  // fields shown beside each check's finding
};

// Raised as talvechk.FormError: the definition is bad.
struct FormFault {
    talvhost::InputError error;
};

// The values a program handed over for one form, already out of Python.
struct NamedValue {
    std::string name;
    std::string text;
};

std::string type_name(py::handle object);

// Installs the checker's callbacks; throws (RuntimeError in Python) when the
// library refuses them.  Called under the library lock.
void start_checker(talvhost::Checker &checker);

// A str of UTF-8 text the host made; a stray byte becomes U+FFFD rather than
// a UnicodeDecodeError.
py::str text_of(const std::string &utf8);

// UTF-8 of a str; throws py::value_error naming what when it cannot be
// encoded (lone surrogates).  what names the value in the message.
std::string utf8_of(py::handle text, const std::string &what);

// Items of a Mapping[str, str | None]; TypeError on anything else.
std::vector<NamedValue> named_values(py::handle mapping);

// What the findings of a check show: {field name: text as given}.
py::dict shown_values(const LoadedForm &loaded, const std::vector<std::pair<std::size_t, std::string>> &shown);

void bind_frame_check(py::module_ &m, py::class_<LoadedForm> &form_class);

}  // namespace talvpy
