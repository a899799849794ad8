// Lines of an input file or of standard input, read in chunks so that memory
// stays flat whatever the size of the file.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace talvhost {

struct SourceLine {
    long number = 0;           // 1-based
    std::string_view text;     // without its line end; valid until the next call
    std::size_t length = 0;    // bytes the line really has (more than text when cut)
    bool cut() const { return length > text.size(); }
};

class LineSource {
public:
    // "-" reads standard input.  Throws InputError when the file cannot be
    // opened or is a directory.
    LineSource(const std::string &path, std::size_t max_line);
    // The lines of bytes held in memory (a block of a file named path),
    // numbered on from lines_before.
    LineSource(const std::string &path, std::string bytes, std::size_t max_line, long lines_before);
    ~LineSource();
    LineSource(const LineSource &) = delete;
    LineSource &operator=(const LineSource &) = delete;

    // The next line ("\n" ends a line; a "\r" before it is dropped).  A line
    // longer than max_line is cut to that and the rest skipped unread.
    // False at the end of the input; throws InputError on a read error, which
    // is never taken for the end.
    bool next(SourceLine &line);

    // Hands a line back, to be read again (in the order handed back) before
    // any new one; length as next() gave it.
    void unread(long number, std::string text, std::size_t length);

    // The first bytes of the input, up to size (fewer at its end), without
    // taking them: for telling the encoding before any line is read.
    std::string_view head(std::size_t size);

    const std::string &path() const { return path_; }

    // The bytes not yet read as lines, appended to out a chunk at a time:
    // for a reader that cuts them into blocks of forms itself.  False at the
    // end of the input; throws InputError on a read error, like next().
    // Lines handed back are not bytes any more, so there must be none.
    bool take_bytes(std::string &out);
    // Lines given by next() so far: the line number before the bytes that
    // take_bytes gives.
    long lines_read() const { return number_; }

private:
    bool fill();

    std::string path_;
    std::size_t max_line_;
    int fd_ = -1;
    bool own_fd_ = false;
    bool eof_ = false;
    std::string buf_;
    std::size_t pos_ = 0;
    std::string line_;
    long number_ = 0;
    struct Again {
        long number;
        std::string text;
        std::size_t length;
    };
    std::deque<Again> again_;
    std::string again_line_;
};

// The whole of a file (not standard input) if it has at most max_size bytes;
// throws InputError naming the cause (a directory, a read error, too large).
std::string read_whole_file(const std::string &path, std::size_t max_size);

}  // namespace talvhost
