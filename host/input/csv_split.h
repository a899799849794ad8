// One CSV record split into cells, over more lines where a quoted cell
// holds a line break: shared by the reader and the block finder, so that
// both see a record end at the same byte.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "input/results.h"

namespace talvhost {

struct Cell {
    std::string text;
    long line = 0;                     // where the cell starts
    long column = 0;                   // 1-based byte column of the cell's first byte
    bool quoted = false;
    std::vector<std::size_t> escapes;  // positions in text where "" became "
    std::vector<std::size_t> breaks;   // positions in text just after a line break
    TextPlace place() const { return TextPlace{line, column + (quoted ? 1 : 0), &escapes, &breaks}; }
};

// A fault in the layout of a record, with where it is.
struct LayoutFault {
    long line, column;
    std::string what;  // empty: a quoted cell that is not closed
    bool unclosed() const { return what.empty(); }
};

// Splits one record into cells; `more` fetches the next line when a quoted
// cell goes on over a line break (false: there is none).
template <class More>
inline std::vector<Cell> split_record(std::vector<std::pair<long, std::string>> &lines, std::size_t start, char delim,
                               More &&more) {
    std::vector<Cell> cells;
    // One cell per delimiter of the first line and one more: growing the
    // vector cell by cell cost more than the split itself.
    const std::string &first = lines[0].second;
    cells.reserve(static_cast<std::size_t>(std::count(first.begin() + static_cast<std::ptrdiff_t>(std::min(start, first.size())), first.end(), delim)) + 1);
    std::size_t li = 0, pos = start;
    auto fail = [&](std::size_t where, std::string what) {
        throw LayoutFault{lines[li].first, static_cast<long>(where) + 1, std::move(what)};
    };
    for (;;) {
        const std::string *text = &lines[li].second;
        Cell cell;
        cell.line = lines[li].first;
        cell.column = static_cast<long>(pos) + 1;
        if (pos < text->size() && (*text)[pos] == '"') {
            cell.quoted = true;
            ++pos;
            for (;;) {
                if (pos >= text->size()) {
                    if (!more()) fail(static_cast<std::size_t>(cell.column - 1), "");
                    ++li;
                    text = &lines[li].second;
                    pos = 0;
                    cell.text += '\n';
                    cell.breaks.push_back(cell.text.size());
                    continue;
                }
                char c = (*text)[pos];
                if (c == '"') {
                    if (pos + 1 < text->size() && (*text)[pos + 1] == '"') {
                        cell.escapes.push_back(cell.text.size());
                        cell.text += '"';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                cell.text += c;
                ++pos;
            }
            if (pos < text->size() && (*text)[pos] != delim) fail(pos, "text after the closing quote of a cell");
        } else {
            std::size_t end = text->find(delim, pos);
            if (end == std::string::npos) end = text->size();
            std::string_view raw = std::string_view(*text).substr(pos, end - pos);
            if (auto q = raw.find('"'); q != std::string_view::npos)
                fail(pos + q, "quote inside an unquoted cell (quote the cell and double the quote)");
            cell.text = std::string(raw);
            pos = end;
        }
        cells.push_back(std::move(cell));
        if (pos >= lines[li].second.size()) break;
        ++pos;  // the delimiter
    }
    return cells;
}

}  // namespace talvhost
