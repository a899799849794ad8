// CSV results: a header row of field names, then one record per form.  A
// quoted cell may hold line breaks (as spreadsheets write memo cells); a
// record that runs over lines is taken only when it is sound as a whole, so
// that a stray quote costs its own line's form and the forms after it keep
// their numbers.
#include <algorithm>
#include <fmt/format.h>

#include "input/columns.h"
#include "input/csv_split.h"
#include "input/results.h"

namespace talvhost {

namespace {

std::string delimiter_option(char d) { return d == '\t' ? "tab" : fmt::format("'{}'", d); }

std::string trim_blanks(const std::string &s, std::size_t &lead) {
    std::size_t first = s.find_first_not_of(" \t"), last = s.find_last_not_of(" \t");
    lead = first == std::string::npos ? 0 : first;
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
}

// The header's names as split by one delimiter; false when it does not split.
bool header_names(const std::string &head, std::size_t start, long line, char delim, std::vector<ColumnName> &names,
                  std::vector<Cell> *cells_out, LayoutFault *fault) {
    std::vector<std::pair<long, std::string>> lines{{line, head}};
    try {
        std::vector<Cell> cells = split_record(lines, start, delim, [] { return false; });
        names.clear();
        for (std::size_t c = 0; c < cells.size(); ++c) {
            std::size_t lead = 0;
            // No field name begins or ends with a blank; "A, B" names A and B.
            std::string text = trim_blanks(cells[c].text, lead);
            names.push_back(ColumnName{text, static_cast<long>(c) + 1,
                                       cells[c].column + (cells[c].quoted ? 1 : 0) + static_cast<long>(lead)});
        }
        if (cells_out) *cells_out = std::move(cells);
        return true;
    } catch (const LayoutFault &f) {
        if (fault) *fault = f;
        return false;
    }
}

class CsvReader : public FormReader {
public:
    CsvReader(std::unique_ptr<LineSource> src, const Form &form, const ReadOptions &opts, Converter &conv,
              Diagnostics &diag)
        : src_(std::move(src)), path_(src_->path()), form_(form), opts_(opts), conv_(conv), diag_(diag),
          sink_{path_, form_, opts_.encoding, conv_, diag_} {
        read_header();
    }

    Next next(Record &rec) override {
        SourceLine line;
        do {
            if (!src_->next(line)) return Next::End;
        } while (is_blank_line(line.text) && !line.cut());
        rec.number = ++forms_;
        rec.line = line.number;
        if (line.cut()) {
            diag_.error(InputError(Place{path_, line.number, 0, {}},
                                   fmt::format("the line has {} bytes, more than the {} a form may take; the form is "
                                               "not checked",
                                               line.length, kLineLimit)));
            return Next::Bad;
        }
        std::vector<Cell> cells;
        if (!read_record(line, cells)) return Next::Bad;
        std::vector<std::string> values(form_.fields.size());
        bool good = true;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const ColumnMap::Column &col = map_.columns[c];
            if (col.role == ColumnMap::Role::Id) {
                rec.id = opts_.encoding == Encoding::Utf8 ? cells[c].text : conv_.to_utf8(cells[c].text);
            } else if (col.role == ColumnMap::Role::Field) {
                good &= sink_.store(rec, values, col.field, cells[c].text, cells[c].place());
            }
        }
        if (!good) return Next::Bad;
        rec.pack(values);
        return Next::Good;
    }

    std::vector<std::size_t> missing_fields() const override { return map_.missing(); }
    BlockLayout block_layout() const override {
        return BlockLayout{ResultsFormat::Csv, delim_, map_.columns.size(), header_line_, header_};
    }
    LineSource *source() override { return src_.get(); }

private:
    void read_header() {
        SourceLine line;
        std::size_t start = 0;  // a UTF-8 byte-order mark is no part of the first name
        do {
            if (!src_->next(line))
                throw InputError(Place{path_, 0, 0, {}}, "empty file: no header row of field names");
            start = line.number == 1 && opts_.encoding == Encoding::Utf8 && line.text.substr(0, 3) == "\xEF\xBB\xBF"
                        ? 3
                        : 0;
        } while (is_blank_line(line.text.substr(start)) && !line.cut());
        Place at{path_, line.number, 0, {}};
        header_line_ = line.number;
        if (line.cut())
            throw InputError(at, fmt::format("the header line has more than {} bytes", kLineLimit));
        std::string head(line.text);
        header_ = head;
        if (head.find('\r') != std::string::npos)
            throw InputError(at, "the header holds a carriage return: are the line ends CR only? Give the file LF or "
                                 "CR LF line ends");

        // The delimiter: the one given, or the one under which the header
        // names the most fields (a comma when none names any).
        const char candidates[] = {',', ';', '\t'};
        std::vector<ColumnName> names;
        std::vector<Cell> cells;
        char best = opts_.delimiter ? opts_.delimiter : ',';
        std::size_t best_named = 0;
        char hint = 0;
        for (char d : candidates) {
            if (opts_.delimiter && d == opts_.delimiter) continue;
            std::vector<ColumnName> trial;
            if (!header_names(head, start, line.number, d, trial, nullptr, nullptr)) continue;
            std::size_t named = map_columns(trial, form_, opts_.id_column, opts_.keep, opts_.encoding, conv_).fields_named;
            if (named > best_named) {
                best_named = named;
                (opts_.delimiter ? hint : best) = d;
            }
        }
        delim_ = best;
        LayoutFault fault{};
        if (!header_names(head, start, line.number, delim_, names, &cells, &fault)) {
            at.column = fault.column;
            throw InputError(at, fault.unclosed() ? "quoted cell not closed on its line (a header is one line)"
                                                  : fault.what);
        }
        map_ = map_columns(names, form_, opts_.id_column, opts_.keep, opts_.encoding, conv_);
        if (map_.fields_named == 0) throw InputError(at, no_field_named(names, hint));
        report_columns(map_, names, form_, opts_.ignore_unknown, opts_.id_column, path_, line.number, diag_);
    }

    std::string no_field_named(const std::vector<ColumnName> &names, char hint) const {
        std::string what = fmt::format("no column of the header names a field of {}", form_.path);
        if (hint)
            return what + fmt::format("; is the delimiter {}? (give --delimiter {})",
                                      hint == '\t' ? std::string("a tab") : fmt::format("\"{}\"", hint),
                                      delimiter_option(hint));
        for (const ColumnMap::Column &col : map_.columns)
            if (col.role == ColumnMap::Role::Unreadable)
                return what + fmt::format("; the header is no {} ({}): is the file in {}?",
                                          opts_.encoding == Encoding::Utf8 ? "UTF-8" : "CP932", col.problem,
                                          opts_.encoding == Encoding::Utf8 ? "CP932 (--encoding cp932)"
                                                                           : "UTF-8 (--encoding utf8)");
        std::string list;
        for (std::size_t c = 0; c < names.size() && c < 3; ++c)
            list += fmt::format("{}\"{}\"", c ? ", " : "", map_.columns[c].shown);
        return what + fmt::format("; is it the header of these results? (it reads {}{}, split at {})", list,
                                  names.size() > 3 ? ", ..." : "",
                                  delim_ == '\t' ? std::string("tabs") : fmt::format("\"{}\"", delim_));
    }

    // Reads the record that starts on `line`, over more lines where a quoted
    // cell holds a line break; false when it was reported as bad.
    bool read_record(const SourceLine &line, std::vector<Cell> &cells) {
        std::vector<std::pair<long, std::string>> lines{{line.number, std::string(line.text)}};
        std::vector<std::size_t> lengths{line.length};
        std::size_t spanned = 0;
        bool at_end = false;
        auto more = [&] {
            if (spanned > kSpanLimit) return false;
            SourceLine next;
            if (!src_->next(next)) {
                at_end = true;
                return false;
            }
            lines.emplace_back(next.number, std::string(next.text));
            lengths.push_back(next.length);
            spanned += next.text.size() + 1;
            return !next.cut();
        };
        std::string what;
        long fault_line = line.number, fault_column = 0;
        try {
            cells = split_record(lines, 0, delim_, more);
            if (cells.size() == map_.columns.size()) return true;
            what = fmt::format("{} cells where the header has {}", cells.size(), map_.columns.size());
        } catch (const LayoutFault &f) {
            what = f.what;
            fault_line = f.line;
            fault_column = f.column;
        }
        bool unclosed = what.empty();
        if (lines.size() == 1 && !unclosed) {
            diag_.error(InputError(Place{path_, fault_line, fault_column, {}}, what + "; the form is not checked"));
            return false;
        }
        // The record ran over lines and is not sound: its first line is the
        // form at fault, and reading goes on with the next one.
        long quote_column = first_open_quote(lines.front().second);
        std::string cause;
        if (unclosed)
            cause = at_end ? "quoted cell not closed (it runs to the end of the file)"
                           : fmt::format("quoted cell not closed within {} bytes", kSpanLimit);
        else
            cause = fmt::format("quoted cell not closed on its line (read on over the line break: {}{})",
                                fault_column ? fmt::format("line {} column {}: ", fault_line, fault_column) : "",
                                what);
        diag_.error(InputError(Place{path_, line.number, quote_column, {}}, cause + "; the form is not checked"));
        for (std::size_t i = 1; i < lines.size(); ++i) src_->unread(lines[i].first, std::move(lines[i].second), lengths[i]);
        return false;
    }

    // Column of the quote that opens the cell still open at the line's end.
    long first_open_quote(const std::string &text) const {
        std::vector<std::pair<long, std::string>> one{{0, text}};
        long open = 0;
        try {
            split_record(one, 0, delim_, [] { return false; });
        } catch (const LayoutFault &f) {
            open = f.unclosed() ? f.column : 0;
        }
        return open;
    }

    std::unique_ptr<LineSource> src_;
    std::string path_;
    const Form &form_;
    ReadOptions opts_;
    Converter &conv_;
    Diagnostics &diag_;
    ValueSink sink_;
    ColumnMap map_;
    char delim_ = ',';
    long header_line_ = 0;
    std::string header_;
    long forms_ = 0;
};

}  // namespace

std::unique_ptr<FormReader> open_csv(std::unique_ptr<LineSource> src, const Form &form, const ReadOptions &opts,
                                     Converter &conv, Diagnostics &diag) {
    return std::make_unique<CsvReader>(std::move(src), form, opts, conv, diag);
}

}  // namespace talvhost
