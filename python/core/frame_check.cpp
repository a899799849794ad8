// A whole table of recognised texts checked in one call: the rows of a
// DataFrame (or of a Dask partition), column by column, as the command
// checks a file: a reader over the columns' cells, checked without the GIL.
#include <algorithm>
#include <cmath>
#include <optional>

#include <fmt/format.h>
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include "batch.h"
#include "input/columns.h"
#include "input/record_builder.h"

namespace talvpy {

using namespace talvhost;

namespace {

// The frame's columns, read a chunk of rows at a time: a cell is the
// UTF-8 of its str, pointed to where Python keeps it (the columns, held by
// the caller, keep every str alive for the call), so no text is copied and
// memory stays that of a chunk whatever the frame's length.
class Cells {
public:
    static constexpr std::size_t kChunk = 4096;

    Cells(const LoadedForm &loaded, const std::vector<std::string> &names, py::list columns, std::size_t count,
          const std::vector<std::string> &keep)
        : count_(count) {
        for (std::size_t c = 0; c < names.size(); ++c)
            names_.push_back(ColumnName{names[c], static_cast<long>(c) + 1, 0});
        map_ = map_columns(names_, loaded.form, {}, keep, Encoding::Utf8, converter());
        for (std::size_t c = 0; c < names.size(); ++c) {
            const ColumnMap::Column &col = map_.columns[c];
            if (col.role == ColumnMap::Role::Repeated)
                throw py::value_error(fmt::format("column \"{}\" is given twice (columns {} and {})", col.shown,
                                                  col.first, c + 1));
            if (col.role != ColumnMap::Role::Field) continue;
            py::handle column = columns[c];
            if (!py::isinstance<py::array>(column)) throw py::type_error("each column must be a numpy array");
            auto array = py::reinterpret_borrow<py::array>(column);
            if (array.ndim() != 1 || array.dtype().kind() != 'O')
                throw py::type_error("each column must be a one-dimensional array of objects");
            if (static_cast<std::size_t>(array.shape(0)) != count)
                throw py::value_error("the columns differ in length");
            fields_.push_back(col.field);
            used_.push_back(std::move(array));
        }
    }

    const ColumnMap &map() const { return map_; }
    const std::vector<ColumnName> &names() const { return names_; }
    const std::vector<std::size_t> &fields() const { return fields_; }
    std::size_t count() const { return count_; }

    // Reads rows [first, first + kChunk) with the GIL held.
    void read_chunk(std::size_t first) {
        first_ = first;
        std::size_t rows = std::min(kChunk, count_ - first);
        const std::size_t width = used_.size();
        cells_.assign(rows * width, {});
        fault_.assign(rows, std::nullopt);
        for (std::size_t c = 0; c < width; ++c) {
            const char *base = static_cast<const char *>(used_[c].data());
            const py::ssize_t stride = used_[c].strides(0);
            for (std::size_t r = 0; r < rows; ++r) {
                PyObject *cell =
                    *reinterpret_cast<PyObject *const *>(base + static_cast<py::ssize_t>(first + r) * stride);
                if (cell == Py_None) continue;
                if (!cell || !PyUnicode_Check(cell)) {
                    if (!fault_[r]) fault_[r].emplace(c, describe_cell(cell));
                    continue;
                }
                Py_ssize_t size = 0;
                const char *data = PyUnicode_AsUTF8AndSize(cell, &size);
                if (!data) {
                    PyErr_Clear();
                    if (!fault_[r])
                        fault_[r].emplace(c, "the text cannot be encoded as UTF-8 (a lone surrogate, or bytes "
                                             "that did not decode?)");
                    continue;
                }
                cells_[r * width + c] = std::string_view(data, static_cast<std::size_t>(size));
            }
        }
    }

    // Rows of the chunk last read: row r of the frame, first_ <= r.
    bool in_chunk(std::size_t r) const { return r >= first_ && r < first_ + fault_.size(); }
    std::string_view cell(std::size_t r, std::size_t c) const { return cells_[(r - first_) * used_.size() + c]; }
    const std::optional<std::pair<std::size_t, std::string>> &fault(std::size_t r) const { return fault_[r - first_]; }

private:
    static std::string describe_cell(PyObject *cell) {
        if (!cell) return "the value must be str or None, not a missing object";
        if (PyFloat_Check(cell) && std::isnan(PyFloat_AsDouble(cell)))
            return "not str but a missing value (NaN); read the file with dtype=str, keep_default_na=False";
        return fmt::format("the value must be str or None, not {}", type_name(cell));
    }

    std::size_t count_;
    ColumnMap map_;
    std::vector<ColumnName> names_;
    std::vector<std::size_t> fields_;  // field of each used column
    std::vector<py::array> used_;
    std::size_t first_ = 0;
    std::vector<std::string_view> cells_;  // row-major within the chunk
    std::vector<std::optional<std::pair<std::size_t, std::string>>> fault_;  // column index, what
};

// The table's rows as forms, numbered from 1 in the order given.  It runs
// under the library lock without the GIL, and takes the GIL back only to
// read the next chunk of cells: a thread waiting for the library lock has
// let the GIL go (with_library), so this cannot deadlock.
class FrameReader : public FormReader, public FaultNaming {
public:
    FrameReader(Cells &cells, const Form &form, Converter &conv, bool keep_given, bool ignore_unknown,
                Diagnostics &diag, const ColumnWords &words)
        : cells_(cells), builder_(form, conv, keep_given) {
        report_columns(cells.map(), cells.names(), form, ignore_unknown, {}, {}, 0, diag, words);
    }

    Next next(Record &rec) override {
        if (row_ >= cells_.count()) return Next::End;
        std::size_t r = row_++;
        if (!cells_.in_chunk(r)) {
            py::gil_scoped_acquire gil;
            cells_.read_chunk(r);
        }
        rec.number = static_cast<long>(r) + 1;
        fault_field_.reset();
        if (const auto &fault = cells_.fault(r)) {
            auto &[column, what] = *fault;
            fault_field_ = cells_.fields()[column];
            fault_ = what;
            return Next::Bad;
        }
        const std::vector<std::size_t> &fields = cells_.fields();
        for (std::size_t c = 0; c < fields.size(); ++c) {
            try {
                builder_.set(fields[c], cells_.cell(r, c));
            } catch (const InputError &e) {
                fault_field_ = fields[c];
                fault_ = e.what();
                builder_.reset();
                return Next::Bad;
            }
        }
        rec = builder_.take(rec.number);
        return Next::Good;
    }

    std::vector<std::size_t> missing_fields() const override { return cells_.map().missing(); }
    BlockLayout block_layout() const override { return {}; }
    std::optional<std::size_t> last_fault_field() const override { return fault_field_; }
    std::string last_fault_message() const override { return fault_; }

private:
    Cells &cells_;
    RecordBuilder builder_;
    std::size_t row_ = 0;
    std::optional<std::size_t> fault_field_;
    std::string fault_;
};

// See outcome_tuple; forms are numbered from 1 in the order given.
py::tuple check_columns(const LoadedForm &loaded, const std::vector<py::bytes> &labels, py::list columns,
                        std::size_t count, bool keep_given, const std::vector<std::string> &keep, bool ignore_unknown,
                        bool allow_missing, bool strict, bool explain, bool suggest) {
    if (static_cast<std::size_t>(py::len(columns)) != labels.size())
        throw py::value_error("one column of texts per name");
    std::vector<std::string> names;
    for (const py::bytes &label : labels) names.push_back(label);
    Cells cells(loaded, names, columns, count, keep);
    BatchOptions opts;
    opts.allow_missing = allow_missing;
    opts.strict = strict;
    opts.detail = detail_of(explain, suggest);
    opts.words = python_words();
    BatchOutcome out = with_library([&] {
        return run_batch(
            loaded,
            [&](const Form &form, Diagnostics &diag) -> std::unique_ptr<FormReader> {
                return std::make_unique<FrameReader>(cells, form, converter(), keep_given, ignore_unknown, diag,
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
