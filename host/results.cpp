#include "results.h"

#include <utility>
#include <iostream>
#include <iterator>

#include <fmt/format.h>

namespace talvhost {

std::vector<Line> split_lines(std::string_view text) {
    std::vector<Line> lines;
    long number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        std::size_t stop = end;
        if (stop > start && text[stop - 1] == '\r') --stop;
        lines.push_back({++number, text.substr(start, stop - start)});
        start = next;
    }
    return lines;
}

std::size_t bom_length(const Line &line, Encoding encoding) {
    return line.number == 1 && encoding == Encoding::Utf8 && line.text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
}

void Record::pack(const std::vector<std::string> &values) {
    text_.clear();
    starts_.clear();
    for (const std::string &v : values) {
        starts_.push_back(static_cast<uint32_t>(text_.size()));
        text_ += v;
        text_ += '\0';
    }
    starts_.push_back(static_cast<uint32_t>(text_.size()));
    text_.shrink_to_fit();
}

void Batch::finish(Record &&rec, const std::vector<std::string> &values, bool good) {
    if (!good) {
        ++rejected;
        return;
    }
    rec.pack(values);
    records.push_back(std::move(rec));
}

void Record::forget_shown(std::size_t field) {
    for (auto it = shown_.begin(); it != shown_.end(); ++it)
        if (it->first == field) {
            shown_.erase(it);
            return;
        }
}

const std::string *Record::shown(std::size_t field) const {
    for (const auto &[f, text] : shown_)
        if (f == field) return &text;
    return nullptr;
}

bool ValueSink::store(Record &rec, std::vector<std::string> &values, std::size_t field, std::string_view text,
                      long line, long column, const std::vector<std::size_t> *escapes) {
    const std::string &name = form.fields[field].name;
    try {
        std::string sjis = conv.import(text, encoding);
        if (sjis.size() > kValueLimit) {
            diag.error(InputError(Place{path, line, column, name},
                                  fmt::format("the text has {} bytes in CP932; a field holds at most {}; the form is not checked",
                                              sjis.size(), kValueLimit)));
            return false;
        }
        if (encoding == Encoding::Utf8 && !is_ascii(text)) rec.keep_shown(field, std::string(text));
        values[field] = std::move(sjis);
        return true;
    } catch (const TextError &e) {
        long at = 0;
        if (column > 0) {
            at = column + static_cast<long>(e.offset);
            // A doubled quote in a CSV cell stands for one byte of its text.
            if (escapes)
                for (std::size_t pos : *escapes) at += pos <= e.offset ? 1 : 0;
        }
        diag.error(InputError(Place{path, line, at, name}, std::string(e.what()) + "; the form is not checked"));
        return false;
    }
}

Batch read_results(const std::string &path, const Form &form, const ReadOptions &opts, Converter &conv,
                   Diagnostics &diag) {
    std::string text;
    if (path == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        text = read_file(path);
    }
    ResultsFormat format = opts.format;
    if (format == ResultsFormat::Auto) {
        auto ends_with = [&](std::string_view suffix) {
            return path.size() >= suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(),
                                                                suffix) == 0;
        };
        if (ends_with(".jsonl") || ends_with(".ndjson") || ends_with(".json"))
            format = ResultsFormat::Jsonl;
        else if (ends_with(".csv") || path == "-")
            format = ResultsFormat::Csv;
        else
            throw InputError(Place{path, 0, 0, {}},
                             "cannot tell the format from the name; give --input-format csv or jsonl");
    }
    std::string_view view = text;
    Batch batch;
    if (format == ResultsFormat::Csv)
        read_csv(view, path, form, opts, conv, diag, batch);
    else
        read_jsonl(view, path, form, opts, conv, diag, batch);
    return batch;
}

}  // namespace talvhost
