// CSV results: a header row of field names, then one row per form.  A row is
// one line: OCR results hold no line breaks, and keeping rows to lines means
// a stray quote costs one form, not the rest of the file.
#include <fmt/format.h>

#include "results.h"

namespace talvhost {

namespace {

struct Cell {
    std::string text;
    long column;                       // 1-based column of the cell's first byte
    bool quoted = false;
    std::vector<std::size_t> escapes;  // positions in text where "" became "
    long text_column() const { return column + (quoted ? 1 : 0); }
};

// Splits one line into cells; throws InputError (column set) on a quote out
// of place.
std::vector<Cell> split_cells(std::string_view line, std::size_t start, const Place &at) {
    std::vector<Cell> cells;
    std::size_t pos = start;
    auto fail = [&](std::size_t where, const std::string &what) {
        Place p = at;
        p.column = static_cast<long>(where) + 1;
        throw InputError(p, what);
    };
    for (;;) {
        Cell cell;
        cell.column = static_cast<long>(pos) + 1;
        if (pos < line.size() && line[pos] == '"') {
            cell.quoted = true;
            std::size_t open = pos++;
            for (;;) {
                if (pos >= line.size()) fail(open, "quoted cell not closed on its line");
                if (line[pos] == '"') {
                    if (pos + 1 < line.size() && line[pos + 1] == '"') {
                        cell.escapes.push_back(cell.text.size());
                        cell.text += '"';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                cell.text += line[pos++];
            }
            if (pos < line.size() && line[pos] != ',') fail(pos, "text after the closing quote of a cell");
        } else {
            std::size_t end = line.find(',', pos);
            if (end == std::string_view::npos) end = line.size();
            std::string_view raw = line.substr(pos, end - pos);
            if (auto q = raw.find('"'); q != std::string_view::npos)
                fail(pos + q, "quote inside an unquoted cell (quote the cell and double the quote)");
            cell.text = std::string(raw);
            pos = end;
        }
        cells.push_back(std::move(cell));
        if (pos >= line.size()) break;
        ++pos;  // the comma
    }
    return cells;
}

}  // namespace

void read_csv(std::string_view text, const std::string &path, const Form &form, const ReadOptions &opts,
              Converter &conv, Diagnostics &diag, Batch &batch) {
    std::vector<Line> lines = split_lines(text);
    std::size_t first = 0;
    while (first < lines.size() && lines[first].text.empty()) ++first;
    if (first == lines.size()) throw InputError(Place{path, 0, 0, {}}, "empty file: no header row of field names");

    // Header: which field each column holds.
    const Line &head = lines[first];
    constexpr std::size_t kIgnored = static_cast<std::size_t>(-1), kId = static_cast<std::size_t>(-2);
    std::vector<Cell> names = split_cells(head.text, bom_length(head, opts.encoding), Place{path, head.number, 0, {}});
    std::vector<std::size_t> column_field(names.size(), kIgnored);
    std::vector<long> seen(form.fields.size(), 0);
    std::string id_sjis;
    bool id_found = false;
    if (!opts.id_column.empty()) id_sjis = conv.to_cp932(opts.id_column);
    for (std::size_t c = 0; c < names.size(); ++c) {
        Place at{path, head.number, names[c].column, {}};
        // No field name begins or ends with a blank; "A, B" names A and B.
        std::string &name = names[c].text;
        std::size_t first = name.find_first_not_of(" \t"), last = name.find_last_not_of(" \t");
        name = first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
        std::string sjis;
        try {
            sjis = conv.import(name, opts.encoding);
        } catch (const TextError &e) {
            at.column = names[c].text_column() + static_cast<long>(first + e.offset);
            diag.error(InputError(at, fmt::format("header: {}; the column is ignored", e.what())));
            continue;
        }
        if (!opts.id_column.empty() && sjis == id_sjis && !id_found) {
            column_field[c] = kId;
            id_found = true;
            continue;
        }
        auto it = form.by_sjis_name.find(sjis);
        std::string shown = conv.to_utf8(sjis);
        if (it == form.by_sjis_name.end()) {
            diag.error(InputError(at, fmt::format("unknown field \"{}\" (not in {}); the column is ignored", shown,
                                                  form.path)));
        } else if (seen[it->second]) {
            diag.error(InputError(at, fmt::format("field \"{}\" named again (first in column {}); the column is "
                                                  "ignored",
                                                  shown, seen[it->second])));
        } else {
            seen[it->second] = names[c].column;
            column_field[c] = it->second;
        }
    }
    if (!opts.id_column.empty() && !id_found)
        diag.error(InputError(Place{path, head.number, 0, {}},
                              fmt::format("no column \"{}\" for --id", opts.id_column)));

    ValueSink sink{path, form, opts.encoding, conv, diag};
    for (std::size_t i = first + 1; i < lines.size(); ++i) {
        const Line &line = lines[i];
        if (line.text.empty()) continue;
        ++batch.forms;
        Record rec;
        rec.number = batch.forms;
        rec.line = line.number;
        std::vector<std::string> values(form.fields.size());
        bool good = true;
        try {
            std::vector<Cell> cells = split_cells(line.text, 0, Place{path, line.number, 0, {}});
            if (cells.size() != names.size()) {
                throw InputError(Place{path, line.number, 0, {}},
                                 fmt::format("{} cells where the header has {}; the form is not checked",
                                             cells.size(), names.size()));
            }
            for (std::size_t c = 0; c < cells.size(); ++c) {
                std::size_t field = column_field[c];
                if (field == kIgnored) continue;
                if (field == kId) {
                    rec.id = opts.encoding == Encoding::Utf8 ? cells[c].text : conv.to_utf8(cells[c].text);
                    continue;
                }
                good &= sink.store(rec, values, field, cells[c].text, line.number, cells[c].text_column(), &cells[c].escapes);
            }
        } catch (const InputError &e) {
            diag.error(e);
            good = false;
        }
        batch.finish(std::move(rec), values, good);
    }
}

}  // namespace talvhost
