#include "results_writer.h"

#include <algorithm>
#include <map>

#include <nlohmann/json.hpp>

using namespace talvhost;

namespace {

// One cell of a CSV row as it stands in the file.
struct RawCell {
    std::size_t begin, end;  // bytes of the cell, quotes included
    bool quoted;
};

// The cells of the row that starts at `at`, and where the row's line end
// starts (a quoted cell may hold line breaks).  Every byte the scan looks
// for is below 0x40, where no CP932 trail byte lies.
std::vector<RawCell> split_row(const std::string &text, std::size_t at, char delim, std::size_t &row_end) {
    std::vector<RawCell> cells;
    std::size_t begin = at;
    bool quoted = false, in_quotes = false;
    std::size_t i = at;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (in_quotes) {
            if (c == '"') in_quotes = false;  // a doubled quote closes and opens again
            continue;
        }
        if (c == '"') {
            in_quotes = quoted = true;
        } else if (c == delim) {
            cells.push_back({begin, i, quoted});
            begin = i + 1;
            quoted = false;
        } else if (c == '\n') {
            break;
        }
    }
    std::size_t end = i;
    if (end > begin && text[end - 1] == '\r') --end;
    cells.push_back({begin, end, quoted});
    row_end = end;
    return cells;
}

std::string cell_text(const std::string &raw) {
    std::string s = raw;
    std::size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
    s = a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') {
        std::string un;
        for (std::size_t i = 1; i + 1 < s.size(); ++i) {
            un += s[i];
            if (s[i] == '"' && s[i + 1] == '"') ++i;
        }
        s = un;
    }
    return s;
}

std::string csv_cell(const std::string &text, char delim, bool quoted) {
    if (!quoted && text.find_first_of(std::string("\"\r\n") + delim) == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

// Byte offset of each line's start (line 1 at 0).
std::vector<std::size_t> line_starts(const std::string &text) {
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') starts.push_back(i + 1);
    return starts;
}

}  // namespace

std::string write_corrected(const std::string &original, const std::vector<RowEdit> &rows, const Form &form,
                            Encoding encoding, bool jsonl, Converter &conv) {
    if (rows.empty()) return original;
    std::vector<std::size_t> starts = line_starts(original);
    auto offset = [&](long line) { return line >= 1 && static_cast<std::size_t>(line) <= starts.size() ? starts[line - 1] : original.size(); };
    auto in_file = [&](const std::string &utf8) { return encoding == Encoding::Cp932 ? conv.to_cp932(utf8) : utf8; };

    // CSV: which column holds which field, under the delimiter that names
    // the most fields.
    char delim = ',';
    std::map<std::size_t, std::size_t> column_of;  // field -> column
    if (!jsonl) {
        std::size_t header = 0;
        if (original.compare(0, 3, "\xEF\xBB\xBF") == 0 && encoding == Encoding::Utf8) header = 3;
        std::size_t best = 0;
        for (char d : {',', ';', '\t'}) {
            std::size_t end;
            std::vector<RawCell> cells = split_row(original, header, d, end);
            std::map<std::size_t, std::size_t> found;
            for (std::size_t c = 0; c < cells.size(); ++c) {
                std::string name = cell_text(original.substr(cells[c].begin, cells[c].end - cells[c].begin));
                if (encoding == Encoding::Cp932) name = conv.to_utf8(name);
                if (auto f = form.find(name); f && !found.count(*f)) found[*f] = c;
            }
            if (found.size() > best) {
                best = found.size();
                delim = d;
                column_of = std::move(found);
            }
        }
    }

    std::vector<const RowEdit *> order;
    for (const RowEdit &r : rows) order.push_back(&r);
    std::sort(order.begin(), order.end(), [](const RowEdit *a, const RowEdit *b) { return a->line < b->line; });
    std::string out;
    std::size_t copied = 0;
    for (const RowEdit *r : order) {
        std::size_t begin = offset(r->line);
        std::size_t limit = r->next_line > 0 ? offset(r->next_line) : original.size();
        out.append(original, copied, begin - copied);
        std::size_t row_end;
        std::string row;
        if (jsonl) {
            std::size_t nl = original.find('\n', begin);
            row_end = std::min(nl == std::string::npos ? original.size() : nl, limit);
            if (row_end > begin && original[row_end - 1] == '\r') --row_end;
            std::size_t skip = begin == 0 && encoding == Encoding::Utf8 && original.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
            std::string line = original.substr(begin + skip, row_end - begin - skip);
            if (encoding == Encoding::Cp932) line = conv.to_utf8(line);
            nlohmann::ordered_json obj = nlohmann::ordered_json::parse(line);
            for (const auto &[field, text] : r->values) obj[form.fields[field].name] = text;
            row = original.substr(begin, skip) + in_file(obj.dump(-1, ' ', false));
        } else {
            std::vector<RawCell> cells = split_row(original, begin, delim, row_end);
            std::map<std::size_t, std::string> replaced;  // column -> bytes
            for (const auto &[field, text] : r->values) {
                auto c = column_of.find(field);
                if (c == column_of.end() || c->second >= cells.size()) continue;
                replaced[c->second] = csv_cell(in_file(text), delim, cells[c->second].quoted);
            }
            for (std::size_t c = 0; c < cells.size(); ++c) {
                if (c) row += delim;
                auto hit = replaced.find(c);
                row += hit != replaced.end() ? hit->second
                                             : original.substr(cells[c].begin, cells[c].end - cells[c].begin);
            }
        }
        out += row;
        copied = row_end;
    }
    out.append(original, copied, std::string::npos);
    return out;
}
