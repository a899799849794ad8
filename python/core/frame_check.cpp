// A whole table of recognised texts checked in one call: the rows of a
// DataFrame (or of a Dask partition), column by column.  The texts are
// copied out of Python first; the checks then run without the GIL.
#include <cmath>
#include <optional>

#include <fmt/format.h>
#include <pybind11/stl.h>

#include "checker.h"
#include "core.h"
#include "record_builder.h"
#include "report.h"

namespace talvpy {

using namespace talvhost;

namespace {

// Every row's texts, packed, with the first fault met while reading each row.
struct Rows {
    std::vector<std::size_t> fields;  // field of each used column
    std::string arena;
    std::vector<std::pair<uint32_t, uint32_t>> cells;  // row-major: offset, length
    std::vector<std::optional<std::pair<std::size_t, std::string>>> fault;  // column index, what
};

struct Rejected {
    std::size_t row;
    std::optional<std::size_t> field;
    std::string message;
};

struct Found {
    std::size_t row;
    Finding finding;
    std::vector<std::pair<std::size_t, std::string>> shown;
};

struct Outcomes {
    std::vector<Found> found;
    std::vector<Rejected> rejected;
    Summary summary;
};

std::string describe_cell(py::handle cell) {
    if (PyFloat_Check(cell.ptr()) && std::isnan(PyFloat_AsDouble(cell.ptr())))
        return "not str but a missing value (NaN); read the file with dtype=str, keep_default_na=False";
    return fmt::format("the value must be str or None, not {}", type_name(cell));
}

Rows copy_rows(const LoadedForm &loaded, const std::vector<std::string> &names, py::list columns, std::size_t count,
               std::vector<std::string> &ignored) {
    Rows rows;
    std::vector<py::list> used;
    std::vector<long> seen(loaded.form.fields.size(), -1);
    for (std::size_t c = 0; c < names.size(); ++c) {
        auto field = loaded.form.find(names[c]);
        if (!field) {
            ignored.push_back(names[c]);
            continue;
        }
        if (seen[*field] >= 0)
            throw py::value_error(fmt::format("column \"{}\" is given twice (columns {} and {})", names[c],
                                              seen[*field] + 1, c + 1));
        seen[*field] = static_cast<long>(c);
        py::handle column = columns[c];
        if (!PyList_Check(column.ptr())) throw py::type_error("each column must be a list");
        if (static_cast<std::size_t>(PyList_GET_SIZE(column.ptr())) != count)
            throw py::value_error("the columns differ in length");
        rows.fields.push_back(*field);
        used.push_back(py::reinterpret_borrow<py::list>(column));
    }
    rows.cells.resize(count * used.size());
    rows.fault.resize(count);
    for (std::size_t r = 0; r < count; ++r) {
        for (std::size_t c = 0; c < used.size(); ++c) {
            PyObject *cell = PyList_GET_ITEM(used[c].ptr(), static_cast<Py_ssize_t>(r));
            auto &slot = rows.cells[r * used.size() + c];
            slot = {static_cast<uint32_t>(rows.arena.size()), 0};
            if (cell == Py_None) continue;
            if (!PyUnicode_Check(cell)) {
                if (!rows.fault[r]) rows.fault[r].emplace(c, describe_cell(cell));
                continue;
            }
            Py_ssize_t size = 0;
            const char *data = PyUnicode_AsUTF8AndSize(cell, &size);
            if (!data) {
                PyErr_Clear();
                if (!rows.fault[r]) rows.fault[r].emplace(c, "the text is not valid in its encoding (undecodable bytes)");
                continue;
            }
            if (rows.arena.size() + static_cast<std::size_t>(size) > UINT32_MAX)
                throw py::value_error("the table is too large for one call; split it");
            rows.arena.append(data, static_cast<std::size_t>(size));
            slot.second = static_cast<uint32_t>(size);
        }
    }
    return rows;
}

Outcomes check_rows(const LoadedForm &loaded, const Rows &rows, std::size_t count, bool keep_given) {
    Converter &conv = converter();
    Outcomes out;
    Summary &s = out.summary;
    s.forms = static_cast<long>(count);
    RecordBuilder builder(loaded.form, conv, keep_given);
    Checker checker(loaded.form, conv);
    if (uint32_t rc = checker.start(); rc != 0)
        throw std::runtime_error(fmt::format("the library refused the callbacks: {:08X}", rc));
    const std::size_t width = rows.fields.size();
    for (std::size_t r = 0; r < count; ++r) {
        if (rows.fault[r]) {
            auto &[column, what] = *rows.fault[r];
            out.rejected.push_back({r, rows.fields[column], what});
            continue;
        }
        bool good = true;
        for (std::size_t c = 0; c < width && good; ++c) {
            auto [offset, length] = rows.cells[r * width + c];
            try {
                builder.set(rows.fields[c], std::string_view(rows.arena).substr(offset, length));
            } catch (const InputError &e) {
                out.rejected.push_back({r, rows.fields[c], e.what()});
                good = false;
            }
        }
        if (!good) {
            builder.reset();
            continue;
        }
        Record record = builder.take(static_cast<long>(r) + 1);
        FormResult result = checker.check(record);
        s.checks += result.checks;
        s.passed += result.passed;
        s.failed += result.failed;
        s.errors += result.errors;
        if (!result.findings.empty()) ++s.flagged;
        for (Finding &f : result.findings) {
            std::vector<std::pair<std::size_t, std::string>> shown;
            for (std::size_t field : loaded.show[f.field]) shown.emplace_back(field, shown_value(record, field, conv));
            out.found.push_back({r, std::move(f), std::move(shown)});
        }
    }
    s.not_checked = static_cast<long>(out.rejected.size());
    return out;
}

// (findings, rejected, summary, ignored column names): findings as (row,
// field, outcome, code, message, values), rejected as (row, field, message),
// rows counted from 0 in the order given.  keep_given: show the texts as
// given, not as the library reads them.
py::tuple check_columns(const LoadedForm &loaded, const std::vector<std::string> &names, py::list columns,
                        std::size_t count, bool keep_given) {
    if (static_cast<std::size_t>(py::len(columns)) != names.size())
        throw py::value_error("one column of texts per name");
    std::vector<std::string> ignored;
    Rows rows = copy_rows(loaded, names, columns, count, ignored);
    Outcomes out = with_library([&] { return check_rows(loaded, rows, count, keep_given); });

    const auto &fields = loaded.form.fields;
    py::list found;
    for (const Found &f : out.found)
        found.append(py::make_tuple(f.row, fields[f.finding.field].name,
                                    outcome_word(classify(f.finding.out, f.finding.ret)), f.finding.out,
                                    f.finding.message, shown_values(loaded, f.shown)));
    py::list rejected;
    for (const Rejected &r : out.rejected)
        rejected.append(py::make_tuple(r.row, r.field ? py::object(py::str(fields[*r.field].name)) : py::object(py::none()),
                                       r.message));
    const Summary &s = out.summary;
    py::dict summary;
    summary["forms"] = s.forms;
    summary["not_checked"] = s.not_checked;
    summary["checks"] = s.checks;
    summary["passed"] = s.passed;
    summary["failed"] = s.failed;
    summary["errors"] = s.errors;
    summary["flagged"] = s.flagged;
    return py::make_tuple(found, rejected, summary, ignored);
}

}  // namespace

void bind_frame_check(py::module_ &, py::class_<LoadedForm> &form_class) {
    form_class.def("check_columns", &check_columns, py::arg("names"), py::arg("columns"), py::arg("rows"),
                   py::arg("keep_given") = true);
}

}  // namespace talvpy
