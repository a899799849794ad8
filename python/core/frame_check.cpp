// A whole table of recognised texts checked in one call: the rows of a
// DataFrame (or of a Dask partition), column by column, as the command
// checks a file: the texts are copied out of Python first, then read by a
// reader over those cells and checked without the GIL.
#include <cmath>
#include <optional>

#include <fmt/format.h>
#include <pybind11/stl.h>

#include "batch.h"
#include "input/columns.h"
#include "input/record_builder.h"

namespace talvpy {

using namespace talvhost;

namespace {

// Every row's texts, packed, with the first fault met while reading each row.
struct Rows {
    ColumnMap map;
    std::vector<ColumnName> names;
    std::vector<std::size_t> fields;  // field of each used column
    std::string arena;
    std::vector<std::pair<uint32_t, uint32_t>> cells;  // row-major: offset, length
    std::vector<std::optional<std::pair<std::size_t, std::string>>> fault;  // column index, what
    std::size_t count = 0;
};

std::string describe_cell(py::handle cell) {
    if (PyFloat_Check(cell.ptr()) && std::isnan(PyFloat_AsDouble(cell.ptr())))
        return "not str but a missing value (NaN); read the file with dtype=str, keep_default_na=False";
    return fmt::format("the value must be str or None, not {}", type_name(cell));
}

// names: each column's label as UTF-8 bytes (a label that is no text, with
// its undecodable bytes as they were).
Rows copy_rows(const LoadedForm &loaded, const std::vector<std::string> &names, py::list columns, std::size_t count,
               const std::vector<std::string> &keep) {
    Rows rows;
    rows.count = count;
    for (std::size_t c = 0; c < names.size(); ++c)
        rows.names.push_back(ColumnName{names[c], static_cast<long>(c) + 1, 0});
    rows.map = map_columns(rows.names, loaded.form, {}, keep, Encoding::Utf8, converter());
    std::vector<py::list> used;
    for (std::size_t c = 0; c < names.size(); ++c) {
        const ColumnMap::Column &col = rows.map.columns[c];
        if (col.role == ColumnMap::Role::Repeated)
            throw py::value_error(fmt::format("column \"{}\" is given twice (columns {} and {})", col.shown,
                                              col.first, c + 1));
        if (col.role != ColumnMap::Role::Field) continue;
        py::handle column = columns[c];
        if (!PyList_Check(column.ptr())) throw py::type_error("each column must be a list");
        if (static_cast<std::size_t>(PyList_GET_SIZE(column.ptr())) != count)
            throw py::value_error("the columns differ in length");
        rows.fields.push_back(col.field);
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
                if (!rows.fault[r])
                    rows.fault[r].emplace(c, "the text cannot be encoded as UTF-8 (a lone surrogate, or bytes that "
                                             "did not decode?)");
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

// The table's rows as forms, numbered from 1 in the order given.
class FrameReader : public FormReader, public FaultNaming {
public:
    FrameReader(const Rows &rows, const Form &form, Converter &conv, bool keep_given, bool ignore_unknown,
                Diagnostics &diag, const ColumnWords &words)
        : rows_(rows), builder_(form, conv, keep_given) {
        report_columns(rows.map, rows.names, form, ignore_unknown, {}, {}, 0, diag, words);
    }

    Next next(Record &rec) override {
        if (row_ >= rows_.count) return Next::End;
        std::size_t r = row_++;
        rec.number = static_cast<long>(r) + 1;
        fault_field_.reset();
        if (rows_.fault[r]) {
            auto &[column, what] = *rows_.fault[r];
            fault_field_ = rows_.fields[column];
            fault_ = what;
            return Next::Bad;
        }
        const std::size_t width = rows_.fields.size();
        for (std::size_t c = 0; c < width; ++c) {
            auto [offset, length] = rows_.cells[r * width + c];
            try {
                builder_.set(rows_.fields[c], std::string_view(rows_.arena).substr(offset, length));
            } catch (const InputError &e) {
                fault_field_ = rows_.fields[c];
                fault_ = e.what();
                builder_.reset();
                return Next::Bad;
            }
        }
        rec = builder_.take(rec.number);
        return Next::Good;
    }

    std::vector<std::size_t> missing_fields() const override { return rows_.map.missing(); }
    BlockLayout block_layout() const override { return {}; }
    std::optional<std::size_t> last_fault_field() const override { return fault_field_; }
    std::string last_fault_message() const override { return fault_; }

private:
    const Rows &rows_;
    RecordBuilder builder_;
    std::size_t row_ = 0;
    std::optional<std::size_t> fault_field_;
    std::string fault_;
};

ColumnWords python_words() {
    ColumnWords words;
    words.keep = "keep= it if it is meant";
    words.id = "id_column";
    words.allow_missing = "allow_missing=True reads a missing column as empty";
    return words;
}

Detail detail_of(bool explain, bool suggest) {
    return suggest ? Detail::Suggest : explain ? Detail::Explain : Detail::None;
}

// See outcome_tuple; forms are numbered from 1 in the order given.
py::tuple check_columns(const LoadedForm &loaded, const std::vector<py::bytes> &labels, py::list columns,
                        std::size_t count, bool keep_given, const std::vector<std::string> &keep, bool ignore_unknown,
                        bool allow_missing, bool strict, bool explain, bool suggest) {
    if (static_cast<std::size_t>(py::len(columns)) != labels.size())
        throw py::value_error("one column of texts per name");
    std::vector<std::string> names;
    for (const py::bytes &label : labels) names.push_back(label);
    Rows rows = copy_rows(loaded, names, columns, count, keep);
    BatchOptions opts;
    opts.allow_missing = allow_missing;
    opts.strict = strict;
    opts.detail = detail_of(explain, suggest);
    opts.words = python_words();
    BatchOutcome out = with_library([&] {
        return run_batch(
            loaded,
            [&](const Form &form, Diagnostics &diag) -> std::unique_ptr<FormReader> {
                return std::make_unique<FrameReader>(rows, form, converter(), keep_given, ignore_unknown, diag,
                                                     opts.words);
            },
            opts, "");
    });
    return outcome_tuple(loaded, out);
}

}  // namespace

void bind_frame_check(py::module_ &, py::class_<LoadedForm> &form_class) {
    form_class.def("check_columns", &check_columns, py::arg("names"), py::arg("columns"), py::arg("rows"),
                   py::arg("keep_given"), py::arg("keep"), py::arg("ignore_unknown"), py::arg("allow_missing"),
                   py::arg("strict"), py::arg("explain"), py::arg("suggest"));
}

}  // namespace talvpy
