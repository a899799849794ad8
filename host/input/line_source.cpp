#include "input/line_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <fmt/format.h>

#include "input/diagnostics.h"

namespace talvhost {

namespace {

constexpr std::size_t kChunk = 1 << 16;

[[noreturn]] void fail(const std::string &path, const std::string &what) {
    throw InputError(Place{path, 0, 0, {}}, what);
}

int open_input(const std::string &path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail(path, fmt::format("cannot open: {}", std::strerror(errno)));
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        fail(path, "is a directory, not a file");
    }
    return fd;
}

// Reads up to size bytes; 0 only at the end.  A failure is thrown, never
// taken for the end of the file.
std::size_t read_some(int fd, char *data, std::size_t size, const std::string &path) {
    for (;;) {
        ssize_t n = ::read(fd, data, size);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno == EINTR) continue;
        fail(path, fmt::format("read error: {}", std::strerror(errno)));
    }
}

}  // namespace

LineSource::LineSource(const std::string &path, std::size_t max_line) : path_(path), max_line_(max_line) {
    if (path == "-") {
        fd_ = 0;
    } else {
        fd_ = open_input(path);
        own_fd_ = true;
    }
}

LineSource::LineSource(const std::string &path, std::string bytes, std::size_t max_line, long lines_before)
    : path_(path), max_line_(max_line), eof_(true), buf_(std::move(bytes)), number_(lines_before) {}

LineSource::~LineSource() {
    if (own_fd_) ::close(fd_);
}

bool LineSource::fill() {
    if (eof_) return false;
    buf_.erase(0, pos_);
    pos_ = 0;
    std::size_t have = buf_.size();
    buf_.resize(have + kChunk);
    std::size_t n = read_some(fd_, buf_.data() + have, kChunk, path_);
    buf_.resize(have + n);
    if (n == 0) eof_ = true;
    return n > 0;
}

std::string_view LineSource::head(std::size_t size) {
    while (buf_.size() - pos_ < size && fill()) {}
    return std::string_view(buf_).substr(pos_, size);
}

void LineSource::unread(long number, std::string text, std::size_t length) {
    again_.push_back(Again{number, std::move(text), length});
}

bool LineSource::take_bytes(std::string &out) {
    if (pos_ >= buf_.size() && !fill()) return false;
    out.append(buf_, pos_, std::string::npos);
    buf_.clear();
    pos_ = 0;
    return true;
}

bool LineSource::next(SourceLine &line) {
    if (!again_.empty()) {
        line.number = again_.front().number;
        line.length = again_.front().length;
        again_line_ = std::move(again_.front().text);
        again_.pop_front();
        line.text = again_line_;
        return true;
    }
    line_.clear();
    std::size_t length = 0;
    bool any = false;
    for (;;) {
        if (pos_ >= buf_.size() && !fill()) break;
        any = true;
        const char *start = buf_.data() + pos_;
        const void *nl = std::memchr(start, '\n', buf_.size() - pos_);
        std::size_t take = nl ? static_cast<std::size_t>(static_cast<const char *>(nl) - start) : buf_.size() - pos_;
        if (line_.size() < max_line_) line_.append(start, std::min(take, max_line_ - line_.size()));
        length += take;
        pos_ += take;
        if (nl) {
            ++pos_;
            break;
        }
    }
    if (!any) return false;
    // The "\r" of a "\r\n" is no part of the line; a cut line has lost its end anyway.
    if (length == line_.size() && !line_.empty() && line_.back() == '\r') {
        line_.pop_back();
        --length;
    }
    line.number = ++number_;
    line.text = line_;
    line.length = length;
    return true;
}

std::string read_whole_file(const std::string &path, std::size_t max_size) {
    int fd = open_input(path);
    std::string text;
    try {
        for (;;) {
            std::size_t have = text.size();
            text.resize(have + kChunk);
            std::size_t n = read_some(fd, text.data() + have, kChunk, path);
            text.resize(have + n);
            if (n == 0) break;
            if (text.size() > max_size)
                fail(path, fmt::format("more than {} bytes; a form definition is far smaller", max_size));
        }
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    return text;
}

}  // namespace talvhost
