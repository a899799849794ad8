#include "input/block_finder.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include <fmt/format.h>

#include "input/csv_split.h"

namespace talvhost {

namespace {

// One line of bytes as LineSource gives it: cut at kLineLimit, the "\r" of
// "\r\n" dropped.
struct Line {
    std::string_view text;
    std::size_t next = 0;  // where the line after it starts
    bool cut = false;
};

// False when the line's end lies beyond the bytes and more follow.
bool line_at(std::string_view bytes, std::size_t pos, bool final, Line &line) {
    std::size_t nl = bytes.find('\n', pos);
    if (nl == std::string_view::npos) {
        if (!final) return false;
        nl = bytes.size();
    }
    std::size_t length = nl - pos;
    line.cut = length > kLineLimit;
    line.text = bytes.substr(pos, std::min(length, kLineLimit));
    if (!line.cut && !line.text.empty() && line.text.back() == '\r') line.text.remove_suffix(1);
    line.next = std::min(nl + 1, bytes.size());
    if (nl == bytes.size()) line.next = nl;
    return true;
}

// Where the record starting at pos ends, as CsvReader::read_record takes it:
// a sound record over several lines is one form; an unsound one is its
// first line only, the lines after it read again as forms.  `read` is how
// far the reader read to tell: its message on an unsound record depends on
// those lines, so no block may end before them.
std::optional<std::size_t> csv_record_end(std::string_view bytes, const BlockLayout &layout, const Line &first,
                                          bool final, std::size_t &read) {
    read = first.next;
    // Only a quoted cell runs on over a line break, and most lines hold
    // none: those end their record whatever their cells are.
    if (first.text.find('"') == std::string_view::npos) return first.next;
    std::vector<std::pair<long, std::string>> lines{{0, std::string(first.text)}};
    std::size_t p = first.next, spanned = 0;
    bool incomplete = false;
    auto more = [&] {
        if (spanned > kSpanLimit) return false;
        Line next;
        if (p >= bytes.size() || !line_at(bytes, p, final, next)) {
            incomplete = !final;
            return false;
        }
        lines.emplace_back(0, std::string(next.text));
        spanned += next.text.size() + 1;
        p = next.next;
        return !next.cut;
    };
    bool sound = false;
    try {
        sound = split_record(lines, 0, layout.delimiter, more).size() == layout.columns;
    } catch (const LayoutFault &) {
    }
    if (incomplete) return std::nullopt;
    read = p;
    return sound ? p : first.next;
}

std::string read_range(const std::string &path, std::uint64_t offset, std::uint64_t length) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError(Place{path, 0, 0, {}}, "cannot open");
    std::string out(static_cast<std::size_t>(length), '\0');
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(out.data(), static_cast<std::streamsize>(length));
    out.resize(static_cast<std::size_t>(in.gcount()));
    if (out.size() != length)
        throw InputError(Place{path, 0, 0, {}}, "the file changed while it was read (it is shorter than before)");
    return out;
}

std::uint64_t file_size(const std::string &path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) throw InputError(Place{path, 0, 0, {}}, "cannot open");
    return static_cast<std::uint64_t>(in.tellg());
}

}  // namespace

std::optional<std::size_t> next_form_boundary(std::string_view bytes, const BlockLayout &layout, std::size_t from,
                                              std::size_t at, bool final) {
    if (layout.format != ResultsFormat::Csv) {
        // One form a line: the first line start at or after at.
        if (at == 0 || at > bytes.size()) return std::min(at, bytes.size());
        std::size_t nl = bytes.find('\n', at - 1);
        if (nl == std::string_view::npos) return final ? std::optional<std::size_t>(bytes.size()) : std::nullopt;
        return nl + 1;
    }
    std::size_t pos = from, read = from;
    while ((pos < at || pos < read) && pos < bytes.size()) {
        Line line;
        if (!line_at(bytes, pos, final, line)) return std::nullopt;
        if (line.cut || is_blank_line(line.text)) {
            pos = line.next;
            continue;
        }
        std::size_t reached = 0;
        std::optional<std::size_t> end = csv_record_end(bytes, layout, line, final, reached);
        if (!end) return std::nullopt;
        pos = *end;
        read = std::max(read, reached);
    }
    if (pos >= bytes.size() && !final) return std::nullopt;
    return std::min(pos, bytes.size());
}

BlockPlan plan_blocks(const std::string &path, const Form &form, const ReadOptions &opts, Converter &conv,
                      std::uint64_t target) {
    BlockPlan plan;
    {
        // The header's messages are said by each block's reader.
        std::vector<Diagnostics::Said> quiet;
        Diagnostics diag(&quiet);
        plan.layout = open_results(path, form, opts, conv, diag)->block_layout();
    }
    const std::uint64_t size = file_size(path);
    std::uint64_t start = 0;
    long lines = 0;
    if (plan.layout.format == ResultsFormat::Csv) {
        // The forms start on the line after the header's.
        std::string head;
        std::size_t line_start = 0;
        for (std::uint64_t want = 1u << 16;; want *= 2) {
            head = read_range(path, 0, std::min(want, size));
            std::size_t p = 0;
            lines = 0;
            line_start = 0;
            while (lines < plan.layout.header_line - 1) {
                std::size_t nl = head.find('\n', p);
                if (nl == std::string::npos) break;
                p = nl + 1;
                ++lines;
            }
            line_start = p;
            Line header;
            if (lines == plan.layout.header_line - 1 && line_at(head, line_start, head.size() == size, header)) {
                plan.header = std::string(header.text);
                start = header.next;
                lines = plan.layout.header_line;
                break;
            }
            if (head.size() == size) throw InputError(Place{path, 0, 0, {}}, "the file changed while it was read");
        }
    }
    target = std::max<std::uint64_t>(target, 1);
    while (start < size) {
        std::optional<std::size_t> end;
        std::string window;
        for (std::uint64_t want = target + (1u << 20);; want *= 2) {
            window = read_range(path, start, std::min(want, size - start));
            end = next_form_boundary(window, plan.layout, 0, static_cast<std::size_t>(std::min<std::uint64_t>(target, window.size())),
                                     start + window.size() == size);
            if (end) break;
        }
        plan.blocks.push_back(ResultsBlock{start, *end, lines});
        lines += static_cast<long>(std::count(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(*end), '\n'));
        start += *end;
    }
    if (plan.blocks.empty()) plan.blocks.push_back(ResultsBlock{start, 0, lines});
    return plan;
}

std::unique_ptr<FormReader> open_block(const std::string &path, const BlockPlan &plan, const ResultsBlock &block,
                                       const Form &form, const ReadOptions &opts, Converter &conv, Diagnostics &diag) {
    BlockLayout layout = plan.layout;
    layout.header = plan.header;
    return open_block_bytes(path, layout, read_range(path, block.offset, block.length), block.lines_before, form,
                            opts, conv, diag);
}

std::unique_ptr<FormReader> open_block_bytes(const std::string &path, const BlockLayout &layout, std::string bytes,
                                             long lines_before, const Form &form, const ReadOptions &opts,
                                             Converter &conv, Diagnostics &diag) {
    auto src = std::make_unique<LineSource>(path, std::move(bytes), kLineLimit, lines_before);
    if (layout.format != ResultsFormat::Csv) return open_jsonl(std::move(src), form, opts, conv, diag);
    src->unread(layout.header_line, layout.header, layout.header.size());
    return open_csv(std::move(src), form, opts, conv, diag);
}

}  // namespace talvhost
