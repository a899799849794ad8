#include "workers.h"

#include <malloc.h>
#include <poll.h>
#include <sys/socket.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <stdexcept>

#include <fmt/format.h>

#include "input/block_finder.h"
#include "report/finding_detail.h"
#include "worker_wire.h"

namespace talvhost {

namespace {

// Results a worker hands back at once: coarse pipe traffic, yet the
// parent's output keeps flowing.
constexpr std::size_t kSlice = 256;

// A block is about this many bytes of forms: a thousand forms or so, so
// that a block costs far more to check than to hand over, and workers
// finish their last blocks close together.
constexpr std::size_t kBlockBytes = 256u << 10;

// Tests make blocks of a few forms, so that blocks edges fall everywhere.
std::size_t block_bytes() {
    if (const char *given = std::getenv("TALVECHK_BLOCK_BYTES"))
        if (long n = std::atol(given); n > 0) return static_cast<std::size_t>(n);
    return kBlockBytes;
}

bool write_all(int fd, const char *data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string describe_status(int status) {
    if (WIFSIGNALED(status)) return fmt::format("was killed by signal {} ({})", WTERMSIG(status),
                                                strsignal(WTERMSIG(status)));
    if (WIFEXITED(status)) return fmt::format("exited with status {}", WEXITSTATUS(status));
    return "ended";
}

constexpr int kWorkerInitFailed = 3;

// At most this many fresh workers a run: a library that dies on every
// form costs a bounded number of forks, and the rest is counted as not
// checked.
constexpr int kFreshWorkers = 16;

std::string forms(std::size_t count, const char *where) {
    return fmt::format("{} form{}{}", count, count == 1 ? "" : "s", where);
}


// Reads one block's forms, keeping what its reader says; the header's
// messages were said by the parent's reader already.
BlockRead read_block(const BlockRun &run, const BlockLayout &layout, std::string_view bytes, long lines_before,
                     std::vector<Record> *values) {
    BlockRead read;
    read.have = true;
    Diagnostics diag(&read.said);
    auto reader = open_block_bytes(run.path, layout, std::string(bytes), lines_before, run.form, run.read, run.conv,
                                   diag);
    read.said.clear();
    for (;;) {
        Record rec;
        FormReader::Next next = reader->next(rec);
        if (next == FormReader::Next::End) break;
        ++read.forms;
        if (next == FormReader::Next::Bad) {
            ++read.bad;
            continue;
        }
        Record light;
        light.number = rec.number;
        light.line = rec.line;
        light.id = rec.id;
        read.records.push_back(std::move(light));
        if (values) values->push_back(std::move(rec));
    }
    return read;
}

// The batch's bytes cut where forms start, as the file's one reader would
// read them, a block at a time.
class Cutter {
public:
    Cutter(LineSource &src, const BlockLayout &layout) : src_(src), layout_(layout), lines_(src.lines_read()) {}

    // The next block's bytes; false when there are no more.
    bool next(std::string &bytes, long &lines_before) {
        const std::size_t target = block_bytes();
        if (used_ > (4u << 20)) {
            buf_.erase(0, used_);
            used_ = 0;
        }
        while (!eof_ && buf_.size() - used_ < target + (target >> 2)) more();
        if (used_ >= buf_.size()) return false;
        std::optional<std::size_t> end;
        for (;;) {
            std::string_view rest = std::string_view(buf_).substr(used_);
            end = next_form_boundary(rest, layout_, 0, std::min(target, rest.size()), eof_);
            if (end || eof_) break;
            more();
        }
        bytes.assign(buf_, used_, *end);
        lines_before = lines_;
        for (const char *p = bytes.data(), *stop = p + bytes.size();
             (p = static_cast<const char *>(std::memchr(p, '\n', static_cast<std::size_t>(stop - p)))); ++p)
            ++lines_;
        used_ += *end;
        return true;
    }

    // The read error that ended the bytes, once every block before it was taken.
    const std::optional<InputError> &fault() const { return fault_; }

private:
    void more() {
        try {
            if (!src_.take_bytes(buf_)) eof_ = true;
        } catch (const InputError &e) {
            // The forms read whole before the fault are still checked: a
            // line cut short by it is no form.
            fault_ = e;
            eof_ = true;
            std::size_t nl = buf_.rfind('\n');
            buf_.resize(nl == std::string::npos || nl < used_ ? used_ : nl + 1);
        }
    }

    LineSource &src_;
    const BlockLayout &layout_;
    std::string buf_;
    std::size_t used_ = 0;
    long lines_;
    bool eof_ = false;
    std::optional<InputError> fault_;
};

struct Block {
    std::string bytes;
    long lines_before = 0;
    BlockRead read;
    std::size_t owner = 0;
    bool dealt = false;  // false: no worker was left to take it
};

struct Worker {
    int number = 0;  // 1-based, for messages
    pid_t pid = -1;
    int in = -1, out = -1;  // its results (a pipe); its blocks (a socket: sent without blocking)
    std::string buf;        // results not decoded yet
    std::string pending;    // blocks not written to it yet
    // Results handed back, with the values of a form that has findings
    // (the report shows them beside the findings).
    std::deque<std::pair<FormResult, std::optional<Record>>> ready;
    std::deque<std::size_t> blocks;  // dealt to it and not merged yet, in order
    bool eof = false;
    bool fresh = false;  // took over from a dead worker
    bool gone = false;   // stands for forms no worker is left to check
};

// Blocks dealt to a worker at once: one to check, one waiting, so that it
// never waits for the parent.
constexpr std::size_t kInFlight = 2;

bool read_exact(int fd, char *data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::read(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

class WorkerPool {
public:
    WorkerPool(const BlockRun &run, const BlockLayout &layout, Cutter &cutter, const RunSinks &sinks)
        : run_(run), layout_(layout), cutter_(cutter), sinks_(sinks) {}
    ~WorkerPool() { stop(); }

    void run() {
        std::fflush(stdout);
        std::fflush(stderr);
        for (int j = 0; j < run_.jobs; ++j) start(false);
        for (std::size_t b = 0;; ++b) {
            deal();
            if (b >= first_ + window_.size()) break;
            Block &block = window_[b - first_];
            if (!block.dealt) block.read = read_here(block);
            while (!block.read.have) {
                Worker &w = workers_[block.owner];
                if (w.eof)
                    take_over(w, b, 0, false);
                else
                    pump();
            }
            for (const Diagnostics::Said &s : block.read.said)
                if (once_.first(s.once)) sinks_.said(s);
            sinks_.read(block.read.forms, block.read.bad);
            for (std::size_t k = 0; k < block.read.records.size();) {
                Record r = block.read.records[k];
                r.number += merged_;
                Worker *w = block.dealt ? &workers_[block.owner] : nullptr;
                if (!w || w->gone) {
                    sinks_.lost(r);
                    ++k;
                } else if (!w->ready.empty()) {
                    auto [result, values] = std::move(w->ready.front());
                    w->ready.pop_front();
                    if (result.number != block.read.records[k].number)
                        throw std::runtime_error(fmt::format("worker {} handed back form {} of a block where form "
                                                             "{} was due",
                                                             w->number, result.number, block.read.records[k].number));
                    if (values) {
                        values->number = r.number;
                        values->line = r.line;
                        values->id = std::move(r.id);
                        r = std::move(*values);
                    }
                    result.number = r.number;
                    sinks_.result(r, std::move(result));
                    ++k;
                } else if (w->eof) {
                    if (take_over(*w, b, k, true)) {
                        sinks_.lost(r);
                        ++k;
                    }
                } else {
                    pump();
                }
            }
            merged_ += block.read.forms;
            if (block.dealt && !workers_[block.owner].blocks.empty()) workers_[block.owner].blocks.pop_front();
            window_.pop_front();
            ++first_;
        }
        for (Worker &w : workers_) {
            close_fds(w);
            reap(w);
        }
    }

private:
    BlockRead read_here(const Block &block) {
        return read_block(run_, layout_, block.bytes, block.lines_before, nullptr);
    }

    // Cuts blocks and deals them to the workers that have room, so that
    // every worker has work while the parent merges.
    void deal() {
        for (;;) {
            Worker *best = nullptr;
            bool live = false;
            for (Worker &w : workers_) {
                if (w.gone || w.eof) continue;
                live = true;
                if (w.blocks.size() < kInFlight && (!best || w.blocks.size() < best->blocks.size())) best = &w;
            }
            if (live && !best) return;
            Block block;
            if (!cutter_.next(block.bytes, block.lines_before)) return;
            std::size_t index = first_ + window_.size();
            if (best) {
                block.dealt = true;
                block.owner = static_cast<std::size_t>(best->number - 1);
                send(*best, index, block, 0, best->fresh);
            }
            window_.push_back(std::move(block));
            if (!best) return;
        }
    }

    void send(Worker &w, std::size_t index, const Block &block, std::size_t skip, bool each) {
        put_u32(w.pending, static_cast<uint32_t>(index));
        put_u32(w.pending, static_cast<uint32_t>(skip));
        w.pending += each ? '1' : '0';
        put_u32(w.pending, static_cast<uint32_t>(block.lines_before));
        put_u32(w.pending, static_cast<uint32_t>(block.bytes.size()));
        w.pending += block.bytes;
        w.blocks.push_back(index);
        flush(w);
    }

    void flush(Worker &w) {
        while (!w.pending.empty() && w.out >= 0) {
            // A worker that died must cost no SIGPIPE: the parent goes on.
            ssize_t n = ::send(w.out, w.pending.data(), w.pending.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0) {
                if (errno == EINTR) continue;
                if (errno != EAGAIN) w.pending.clear();  // it died; its blocks go elsewhere
                return;
            }
            w.pending.erase(0, static_cast<std::size_t>(n));
        }
    }

    // Reads and checks the blocks handed to it, each block at once (memory
    // stays that of a block), until the parent has no more; `each`: hands
    // back each form as soon as it is checked, so that a second death names
    // the form exactly.
    [[noreturn]] void worker_main(int in, int out) {
        Checker checker(run_.checked, run_.conv);
        if (checker.start() != 0) _exit(kWorkerInitFailed);
        attach_detail(checker, run_.detail, run_.suggest_budget);
        std::vector<Record> records;
        std::string buf, bytes;
        auto flush_out = [&] {
            if (!write_all(out, buf.data(), buf.size())) _exit(1);
            buf.clear();
        };
        for (;;) {
            std::string head(17, '\0');
            if (!read_exact(in, head.data(), head.size())) break;
            std::size_t pos = 0;
            std::size_t index = get_u32(head, pos), skip = get_u32(head, pos);
            bool each = head[pos++] == '1';
            long lines_before = get_u32(head, pos);
            bytes.resize(get_u32(head, pos));
            if (!read_exact(in, bytes.data(), bytes.size())) break;
            records.clear();
            encode_read(index, read_block(run_, layout_, bytes, lines_before, &records), buf);
            flush_out();
            for (std::size_t i = skip; i < records.size(); ++i) {
                put_frame(buf, Frame::Result, [&](std::string &o) {
                    FormResult result = checker.check(records[i]);
                    encode_result(result, o);
                    if (!result.findings.empty()) encode_values(records[i], o);
                });
                if (each || (i + 1 - skip) % kSlice == 0 || i + 1 == records.size()) flush_out();
            }
        }
        PPR_end();
        ::close(out);
        // Skip the parent's exit handlers and stream buffers: they are not ours.
        _exit(0);
    }

    Worker &start(bool fresh) {
        int results[2], blocks[2];
        if (::pipe(results) != 0) throw std::runtime_error(fmt::format("cannot make a pipe: {}", std::strerror(errno)));
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, blocks) != 0) {
            ::close(results[0]);
            ::close(results[1]);
            throw std::runtime_error(fmt::format("cannot make a pipe: {}", std::strerror(errno)));
        }
        pid_t pid = ::fork();
        if (pid < 0) {
            for (int fd : {results[0], results[1], blocks[0], blocks[1]}) ::close(fd);
            throw std::runtime_error(fmt::format("cannot start a worker: {}", std::strerror(errno)));
        }
        if (pid == 0) {
            ::close(results[0]);
            ::close(blocks[1]);
            for (Worker &w : workers_) close_fds(w);
            worker_main(blocks[0], results[1]);
        }
        ::close(results[1]);
        ::close(blocks[0]);
        Worker &w = workers_.emplace_back();
        w.number = static_cast<int>(workers_.size());
        w.pid = pid;
        w.in = results[0];
        w.out = blocks[1];
        w.fresh = fresh;
        return w;
    }

    // Waits for any pipe; drains every one that has results and feeds every
    // one that has room, so that neither side blocks on the other.
    void pump() {
        polls_.clear();
        for (Worker &w : workers_) {
            if (w.in >= 0 && !w.eof) polls_.push_back(pollfd{w.in, POLLIN, 0});
            if (w.out >= 0 && !w.pending.empty()) polls_.push_back(pollfd{w.out, POLLOUT, 0});
        }
        if (::poll(polls_.data(), polls_.size(), -1) < 0) {
            if (errno == EINTR) return;
            throw std::runtime_error(fmt::format("poll: {}", std::strerror(errno)));
        }
        for (const pollfd &p : polls_) {
            if (!(p.revents & (POLLIN | POLLOUT | POLLHUP | POLLERR))) continue;
            for (Worker &w : workers_) {
                if (p.fd == w.in && !w.eof) drain(w);
                else if (p.fd == w.out) flush(w);
            }
        }
    }

    void drain(Worker &w) {
        char chunk[65536];
        ssize_t n = ::read(w.in, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) return;
        if (n <= 0) {
            w.eof = true;
            return;
        }
        w.buf.append(chunk, static_cast<std::size_t>(n));
        std::size_t used = 0;
        while (w.buf.size() - used >= 5) {
            std::size_t pos = used + 1;
            uint32_t length = get_u32(w.buf, pos);
            if (w.buf.size() - pos < length) break;
            if (static_cast<Frame>(w.buf[used]) == Frame::Read) {
                std::size_t index = 0;
                BlockRead read;
                decode_read(w.buf, pos, index, read);
                // A fresh worker reads again what its forerunner had read.
                if (index >= first_ && index < first_ + window_.size() && !window_[index - first_].read.have)
                    window_[index - first_].read = std::move(read);
            } else {
                FormResult result;
                std::size_t at = pos;
                decode_result(w.buf, at, result);
                std::optional<Record> values;
                if (at < pos + length) decode_values(w.buf, at, values.emplace());
                w.ready.emplace_back(std::move(result), std::move(values));
            }
            used = pos + length;
        }
        w.buf.erase(0, used);
    }

    static void close_fds(Worker &w) {
        if (w.in >= 0) ::close(w.in);
        if (w.out >= 0) ::close(w.out);
        w.in = w.out = -1;
    }

    int reap(Worker &w) {
        int status = 0;
        if (w.pid > 0)
            while (::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {}
        w.pid = -1;
        return status;
    }

    void stop() {
        for (Worker &w : workers_) {
            close_fds(w);
            if (w.pid > 0) {
                ::kill(w.pid, SIGTERM);
                reap(w);
            }
        }
    }

    // Worker w ended before handing back what block b needs: its forms
    // (checking false) or the result of its k-th checkable form (every
    // earlier one was handed back).  Its blocks from there on go to a fresh
    // worker; a fresh worker that dies while checking loses that one form.
    // True when the form is lost.
    bool take_over(Worker &w, std::size_t b, std::size_t k, bool checking) {
        close_fds(w);
        w.pending.clear();
        int status = reap(w);
        std::string why = WIFEXITED(status) && WEXITSTATUS(status) == kWorkerInitFailed
                              ? "could not install its callbacks"
                              : describe_status(status);
        // The parent reads what the worker did not hand over, so that every
        // form of its blocks is known by number and can be counted.
        for (std::size_t s : w.blocks)
            if (!window_[s - first_].read.have) window_[s - first_].read = read_here(window_[s - first_]);
        bool lost = checking && w.fresh;
        std::size_t skip = k + (lost ? 1 : 0);
        std::size_t count = 0;
        for (std::size_t s : w.blocks) count += window_[s - first_].read.records.size();
        count -= std::min(count, skip);
        std::string what;
        if (!checking) {
            what = fmt::format("worker {}{} {} while reading the forms from line {} on", w.number,
                               w.fresh ? " (a fresh one)" : "", why, window_[b - first_].lines_before + 1);
        } else {
            const Record &r = window_[b - first_].read.records[k];
            long number = merged_ + r.number;  // block b is the first not merged
            what = w.fresh ? fmt::format("worker {} (a fresh one) {} while checking form {} (line {}); that form "
                                         "is not checked",
                                         w.number, why, number, r.line)
                           : fmt::format("worker {} {} while checking form {} (line {}) or a later one", w.number,
                                         why, number, r.line);
        }
        const char *after = lost ? " after it" : " from there on";
        if (count == 0) {
            sinks_.say(what);
            w.gone = true;
            return lost;
        }
        if (fresh_started_ >= kFreshWorkers) {
            sinks_.say(fmt::format("{}; {} {} are not checked ({} fresh workers were started already)", what,
                                   lost ? "the" : "its", forms(count, after), kFreshWorkers));
            w.gone = true;
            return lost;
        }
        sinks_.say(lost ? fmt::format("{}; the {} go to another fresh worker", what, forms(count, after))
                        : fmt::format("{}; its {} are checked again in a fresh worker", what, forms(count, after)));
        ++fresh_started_;
        std::deque<std::size_t> blocks = std::move(w.blocks);
        w.blocks.clear();
        w.gone = true;  // its blocks are the heir's now
        Worker &heir = start(true);
        for (std::size_t s : blocks) {
            Block &block = window_[s - first_];
            block.owner = static_cast<std::size_t>(heir.number - 1);
            send(heir, s, block, s == b ? skip : 0, true);
        }
        return lost;
    }

    const BlockRun &run_;
    const BlockLayout &layout_;
    Cutter &cutter_;
    const RunSinks &sinks_;
    OnceFilter once_;
    std::deque<Block> window_;  // blocks cut and not merged yet, from block first_ on
    std::size_t first_ = 0;
    long merged_ = 0;           // forms of the blocks merged
    std::deque<Worker> workers_;  // a deque: workers started later leave the others in place
    std::vector<pollfd> polls_;
    int fresh_started_ = 0;
};

void start_checker(Checker &checker, Converter &conv) {
    // The parent installs the callbacks once whatever the number of jobs, so
    // that a refusal is reported with its code rather than as a dead worker.
    if (uint32_t rc = checker.start(); rc != 0)
        throw std::runtime_error(fmt::format("the library refused the callbacks: PPR_init returned {:08X}: {}",
                                             rc, library_message(conv, rc)));
}

}  // namespace

void run_checks(const Form &form, Converter &conv, const std::vector<Record> &records, const RunSinks &sinks,
                Detail detail, std::size_t suggest_budget) {
    Checker checker(form, conv);
    start_checker(checker, conv);
    attach_detail(checker, detail, suggest_budget);
    for (const Record &r : records) sinks.result(r, checker.check(r));
}

void run_blocks(const BlockRun &run, FormReader &reader, const RunSinks &sinks) {
    // A block's bytes and records are a few hundred KB, made and freed again
    // and again: kept in the heap rather than mapped afresh each time, they
    // cost no page faults past the first block (workers and parent alike).
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
    {
        Checker checker(run.checked, run.conv);
        start_checker(checker, run.conv);
    }
    BlockLayout layout = reader.block_layout();
    Cutter cutter(*reader.source(), layout);
    WorkerPool(run, layout, cutter, sinks).run();
    if (cutter.fault()) throw *cutter.fault();
}

}  // namespace talvhost
