// Results files for the Dask front end: the client cuts each file into
// blocks where the host's reader sees a form start, and each worker checks
// its block with the host's reader, as the command reads the whole file.
#include <fmt/format.h>
#include <pybind11/stl.h>

#include "batch.h"
#include "input/block_finder.h"
#include "report/summary_keys.h"

namespace talvpy {

using namespace talvhost;

namespace {

ReadOptions read_options(const std::string &format, const std::string &encoding, const std::string &id_column,
                         const std::vector<std::string> &keep, bool ignore_unknown, const std::string &delimiter) {
    ReadOptions opts;
    if (format == "csv") opts.format = ResultsFormat::Csv;
    else if (format == "jsonl") opts.format = ResultsFormat::Jsonl;
    else if (format != "auto") throw py::value_error(fmt::format("input_format must be 'csv' or 'jsonl', not '{}'", format));
    if (encoding == "cp932") opts.encoding = Encoding::Cp932;
    else if (encoding != "utf-8") throw py::value_error(fmt::format("encoding must be 'utf-8' or 'cp932', not '{}'", encoding));
    opts.id_column = id_column;
    opts.keep = keep;
    opts.ignore_unknown = ignore_unknown;
    if (delimiter == "tab") opts.delimiter = '\t';
    else if (delimiter == "," || delimiter == ";") opts.delimiter = delimiter[0];
    else if (delimiter != "auto")
        throw py::value_error(fmt::format("delimiter must be ',', ';', 'tab' or 'auto', not '{}'", delimiter));
    return opts;
}

using Options = std::tuple<std::string, std::string, std::string, std::vector<std::string>, bool, std::string>;

ReadOptions read_options(const Options &o) {
    return read_options(std::get<0>(o), std::get<1>(o), std::get<2>(o), std::get<3>(o), std::get<4>(o),
                        std::get<5>(o));
}

// (format, delimiter, columns, header_line, header bytes, [(offset, length, lines_before)])
py::tuple plan(const LoadedForm &loaded, const std::string &path, const Options &options, std::uint64_t target) {
    ReadOptions opts = read_options(options);
    BlockPlan p = with_library([&] {
        try {
            return plan_blocks(path, loaded.form, opts, converter(), target);
        } catch (const InputError &e) {
            throw py::value_error(e.full());
        }
    });
    py::list blocks;
    for (const ResultsBlock &b : p.blocks) blocks.append(py::make_tuple(b.offset, b.length, b.lines_before));
    return py::make_tuple(p.layout.format == ResultsFormat::Csv ? "csv" : "jsonl", std::string(1, p.layout.delimiter),
                          p.layout.columns, p.layout.header_line, py::bytes(p.header), blocks);
}

py::tuple check_block(const LoadedForm &loaded, const std::string &path, py::tuple planned, std::size_t index,
                      const Options &options, bool allow_missing, bool strict, bool explain, bool suggest) {
    ReadOptions opts = read_options(options);
    BlockPlan p;
    p.layout.format = planned[0].cast<std::string>() == "csv" ? ResultsFormat::Csv : ResultsFormat::Jsonl;
    p.layout.delimiter = planned[1].cast<std::string>()[0];
    p.layout.columns = planned[2].cast<std::size_t>();
    p.layout.header_line = planned[3].cast<long>();
    p.header = planned[4].cast<std::string>();
    auto b = planned[5].cast<py::list>()[index].cast<std::tuple<std::uint64_t, std::uint64_t, long>>();
    ResultsBlock block{std::get<0>(b), std::get<1>(b), std::get<2>(b)};
    BatchOptions batch;
    batch.allow_missing = allow_missing;
    batch.strict = strict;
    batch.detail = detail_of(explain, suggest);
    batch.words = python_words();
    BatchOutcome out = with_library([&] {
        try {
            return run_batch(
                loaded,
                [&](const Form &form, Diagnostics &diag) {
                    return open_block(path, p, block, form, opts, converter(), diag);
                },
                batch, path);
        } catch (const InputError &e) {
            throw py::value_error(e.full());
        }
    });
    return outcome_tuple(loaded, out);
}

}  // namespace

void bind_blocks(py::module_ &m, py::class_<LoadedForm> &form_class) {
    form_class.def("plan_blocks", &plan, py::arg("path"), py::arg("options"), py::arg("target"))
        .def("check_block", &check_block, py::arg("path"), py::arg("plan"), py::arg("index"), py::arg("options"),
             py::arg("allow_missing"), py::arg("strict"), py::arg("explain"), py::arg("suggest"));
    py::list keys;
    for (const SummaryKey &key : kSummaryKeys) {
        const char *kind = key.kind == SummaryKey::Kind::Count     ? "count"
                           : key.kind == SummaryKey::Kind::Nonzero ? "nonzero"
                           : key.kind == SummaryKey::Kind::Timing  ? "timing"
                                                                   : "by_field";
        keys.append(py::make_tuple(key.name, kind));
    }
    m.attr("SUMMARY_KEYS") = keys;
}

}  // namespace talvpy
