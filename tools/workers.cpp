#include "workers.h"

#include <poll.h>
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

#include "block_finder.h"
#include "worker_wire.h"

namespace talvhost {

namespace {

// Results a worker hands back at once: coarse pipe traffic, yet the
// parent's output keeps flowing.
constexpr std::size_t kSlice = 16;

// A block is about this many bytes of forms: a few thousand forms, so that
// a block costs far more to check than to hand over.  Each worker takes
// kBlocksPerWorker blocks of a batch in turn, which keeps them evenly
// loaded; the parent holds one batch of bytes at a time.
constexpr std::size_t kBlockBytes = 256u << 10;
constexpr std::size_t kBlocksPerWorker = 8;

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

// At most this many fresh workers a batch: a library that dies on every
// form costs a bounded number of forks, and the rest is counted as not
// checked.
constexpr int kFreshWorkers = 16;

std::string forms(std::size_t count, const char *where) {
    return fmt::format("{} form{}{}", count, count == 1 ? "" : "s", where);
}

struct Block {
    std::size_t begin = 0, size = 0;  // in the batch's bytes
    long lines_before = 0;
};

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

// The blocks a worker reads and checks, in the order of the file; the
// first `skip` checkable forms of the first block are not checked again.
struct Share {
    std::vector<std::size_t> blocks;
    std::size_t skip = 0;
};

struct Worker {
    int number = 0;  // 1-based, for messages
    pid_t pid = -1;
    int fd = -1;
    std::string buf;
    // Results handed back, with the values of a form that has findings
    // (the report shows them beside the findings).
    std::deque<std::pair<FormResult, std::optional<Record>>> ready;
    bool eof = false;
    bool fresh = false;  // took over from a dead worker
    bool gone = false;   // stands for forms no worker is left to check
    Share share;
};

class Pool {
public:
    Pool(const BlockRun &run, const BlockLayout &layout, std::string_view bytes, std::vector<Block> blocks,
         const RunSinks &sinks, OnceFilter &once, long forms_before)
        : run_(run), layout_(layout), bytes_(bytes), blocks_(std::move(blocks)), sinks_(sinks), once_(once),
          forms_before_(forms_before), reads_(blocks_.size()), owner_(blocks_.size()) {}
    ~Pool() { stop(); }

    // Returns the forms met.
    long run(int jobs) {
        std::fflush(stdout);
        std::fflush(stderr);
        std::vector<Share> plan(static_cast<std::size_t>(std::min<std::size_t>(jobs, blocks_.size())));
        for (std::size_t b = 0; b < blocks_.size(); ++b) {
            owner_[b] = b % plan.size();
            plan[owner_[b]].blocks.push_back(b);
        }
        for (Share &share : plan) start(std::move(share), false);
        long met = 0;
        for (std::size_t b = 0; b < blocks_.size(); ++b) {
            while (!reads_[b].have) {
                Worker &w = workers_[owner_[b]];
                if (w.eof)
                    take_over(w, b, 0, false);
                else
                    pump();
            }
            const BlockRead &read = reads_[b];
            for (const Diagnostics::Said &s : read.said)
                if (once_.first(s.once)) sinks_.said(s);
            sinks_.read(read.forms, read.bad);
            for (std::size_t k = 0; k < read.records.size();) {
                Worker &w = workers_[owner_[b]];
                Record r = read.records[k];
                r.number += forms_before_ + met;
                if (w.gone) {
                    sinks_.lost(r);
                    ++k;
                } else if (!w.ready.empty()) {
                    auto [result, values] = std::move(w.ready.front());
                    w.ready.pop_front();
                    if (values) {
                        values->number = r.number;
                        values->line = r.line;
                        values->id = std::move(r.id);
                        r = std::move(*values);
                    }
                    if (result.number != read.records[k].number)
                        throw std::runtime_error(fmt::format("worker {} handed back form {} of a block where form "
                                                             "{} was due",
                                                             w.number, result.number, read.records[k].number));
                    result.number = r.number;
                    sinks_.result(r, std::move(result));
                    ++k;
                } else if (w.eof) {
                    if (take_over(w, b, k, true)) {
                        sinks_.lost(r);
                        ++k;
                    }
                } else {
                    pump();
                }
            }
            met += read.forms;
        }
        for (Worker &w : workers_) {
            if (w.fd >= 0) ::close(w.fd);
            w.fd = -1;
            reap(w);
        }
        return met;
    }

private:
    // Reads and checks a share, a block at a time (memory stays that of a
    // block); a fresh worker hands back each form as soon as it is checked,
    // so that a second death names the form exactly.
    [[noreturn]] void worker_main(const Share &share, bool each, int fd) {
        Checker checker(run_.checked, run_.conv);
        if (checker.start() != 0) _exit(kWorkerInitFailed);
        checker.set_detail(run_.detail, run_.suggest_budget);
        std::vector<Record> records;
        std::string out;
        auto flush = [&] {
            if (!write_all(fd, out.data(), out.size())) _exit(1);
            out.clear();
        };
        for (std::size_t n = 0; n < share.blocks.size(); ++n) {
            const Block &block = blocks_[share.blocks[n]];
            records.clear();
            encode_read(share.blocks[n],
                        read_block(run_, layout_, bytes_.substr(block.begin, block.size), block.lines_before,
                                   &records),
                        out);
            flush();
            std::size_t first = n == 0 ? share.skip : 0;
            for (std::size_t i = first; i < records.size(); ++i) {
                put_frame(out, Frame::Result, [&](std::string &o) {
                    FormResult result = checker.check(records[i]);
                    encode_result(result, o);
                    if (!result.findings.empty()) encode_values(records[i], o);
                });
                if (each || (i + 1 - first) % kSlice == 0 || i + 1 == records.size()) flush();
            }
        }
        PPR_end();
        ::close(fd);
        // Skip the parent's exit handlers and stream buffers: they are not ours.
        _exit(0);
    }

    void start(Share share, bool fresh) {
        int fds[2];
        if (::pipe(fds) != 0) throw std::runtime_error(fmt::format("cannot make a pipe: {}", std::strerror(errno)));
        pid_t pid = ::fork();
        if (pid < 0) {
            ::close(fds[0]);
            ::close(fds[1]);
            throw std::runtime_error(fmt::format("cannot start a worker: {}", std::strerror(errno)));
        }
        if (pid == 0) {
            ::close(fds[0]);
            for (Worker &w : workers_)
                if (w.fd >= 0) ::close(w.fd);
            worker_main(share, fresh, fds[1]);
        }
        ::close(fds[1]);
        Worker &w = workers_.emplace_back();
        w.number = static_cast<int>(workers_.size());
        w.pid = pid;
        w.fd = fds[0];
        w.fresh = fresh;
        w.share = std::move(share);
    }

    // Waits for any pipe and drains every one that has data, so that no
    // worker blocks on a full pipe while we wait for another.
    void pump() {
        polls_.clear();
        for (Worker &w : workers_)
            if (w.fd >= 0 && !w.eof) polls_.push_back(pollfd{w.fd, POLLIN, 0});
        if (::poll(polls_.data(), polls_.size(), -1) < 0) {
            if (errno == EINTR) return;
            throw std::runtime_error(fmt::format("poll: {}", std::strerror(errno)));
        }
        for (const pollfd &p : polls_)
            if (p.revents & (POLLIN | POLLHUP | POLLERR)) drain(p.fd);
    }

    void drain(int fd) {
        Worker *w = nullptr;
        for (Worker &candidate : workers_)
            if (candidate.fd == fd) w = &candidate;
        char chunk[65536];
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) return;
        if (n <= 0) {
            w->eof = true;
            return;
        }
        w->buf.append(chunk, static_cast<std::size_t>(n));
        std::size_t used = 0;
        while (w->buf.size() - used >= 5) {
            std::size_t pos = used + 1;
            uint32_t length = get_u32(w->buf, pos);
            if (w->buf.size() - pos < length) break;
            if (static_cast<Frame>(w->buf[used]) == Frame::Read) {
                std::size_t block = 0;
                BlockRead read;
                decode_read(w->buf, pos, block, read);
                // A fresh worker reads again what its forerunner had read.
                if (block < reads_.size() && !reads_[block].have) reads_[block] = std::move(read);
            } else {
                FormResult result;
                std::size_t at = pos;
                decode_result(w->buf, at, result);
                std::optional<Record> values;
                if (at < pos + length) decode_values(w->buf, at, values.emplace());
                w->ready.emplace_back(std::move(result), std::move(values));
            }
            used = pos + length;
        }
        w->buf.erase(0, used);
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
            if (w.fd >= 0) ::close(w.fd);
            w.fd = -1;
            if (w.pid > 0) {
                ::kill(w.pid, SIGTERM);
                reap(w);
            }
        }
    }

    // Worker w ended before handing back what block b needs: its forms
    // (checking false) or the result of its k-th checkable form (every
    // earlier one was handed back).  Its share from there on goes to a
    // fresh worker; a fresh worker that dies while checking loses that one
    // form.  True when the form is lost.
    bool take_over(Worker &w, std::size_t b, std::size_t k, bool checking) {
        ::close(w.fd);
        w.fd = -1;
        int status = reap(w);
        std::string why = WIFEXITED(status) && WEXITSTATUS(status) == kWorkerInitFailed
                              ? "could not install its callbacks"
                              : describe_status(status);
        // The parent reads what the worker did not hand over, so that every
        // form of the share is known by number and can be counted.
        Share rest;
        for (std::size_t s : w.share.blocks) {
            if (s < b) continue;
            if (!reads_[s].have) {
                const Block &block = blocks_[s];
                reads_[s] = read_block(run_, layout_, bytes_.substr(block.begin, block.size), block.lines_before,
                                       nullptr);
            }
            rest.blocks.push_back(s);
        }
        bool lost = checking && w.fresh;
        rest.skip = k + (lost ? 1 : 0);
        std::size_t count = 0;
        for (std::size_t s : rest.blocks) count += reads_[s].records.size();
        count -= std::min(count, rest.skip);
        std::string what;
        if (!checking) {
            what = fmt::format("worker {}{} {} while reading the forms from line {} on", w.number,
                               w.fresh ? " (a fresh one)" : "", why, blocks_[b].lines_before + 1);
        } else {
            const Record &r = reads_[b].records[k];
            long number = forms_before_ + forms_met_before(b) + r.number;
            what = w.fresh ? fmt::format("worker {} (a fresh one) {} while checking form {} (line {}); that form "
                                         "is not checked",
                                         w.number, why, number, r.line)
                           : fmt::format("worker {} {} while checking form {} (line {}) or a later one", w.number,
                                         why, number, r.line);
        }
        std::size_t slot = static_cast<std::size_t>(w.number - 1);
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
        std::vector<std::size_t> blocks = rest.blocks;
        start(std::move(rest), true);
        std::size_t heir = workers_.size() - 1;
        for (std::size_t s : blocks)
            if (owner_[s] == slot) owner_[s] = heir;
        return lost;
    }

    long forms_met_before(std::size_t b) const {
        long met = 0;
        for (std::size_t s = 0; s < b; ++s) met += reads_[s].forms;
        return met;
    }

    const BlockRun &run_;
    const BlockLayout &layout_;
    std::string_view bytes_;
    std::vector<Block> blocks_;
    const RunSinks &sinks_;
    OnceFilter &once_;
    long forms_before_;
    std::vector<BlockRead> reads_;  // per block, once its forms are known
    std::deque<Worker> workers_;    // a deque: workers started later leave the others in place
    std::vector<std::size_t> owner_;  // per block: the worker that checks it
    std::vector<pollfd> polls_;
    int fresh_started_ = 0;
};

// The batch's bytes cut where forms start, as the file's one reader would
// read them.
class Cutter {
public:
    Cutter(LineSource &src, const BlockLayout &layout) : src_(src), layout_(layout), lines_(src.lines_read()) {}

    // The next batch: blocks of the bytes held, true while there are any.
    bool next(std::size_t blocks_wanted, std::vector<Block> &blocks) {
        buf_.erase(0, used_);
        used_ = 0;
        blocks.clear();
        const std::size_t target = block_bytes();
        while (blocks.size() < blocks_wanted) {
            while (!eof_ && buf_.size() - used_ < target + (target >> 2)) more();
            if (used_ >= buf_.size()) break;
            std::optional<std::size_t> end;
            for (;;) {
                std::string_view rest = std::string_view(buf_).substr(used_);
                end = next_form_boundary(rest, layout_, 0, std::min(target, rest.size()), eof_);
                if (end || eof_) break;
                more();
            }
            std::string_view cut = std::string_view(buf_).substr(used_, *end);
            blocks.push_back(Block{used_, *end, lines_});
            for (const char *p = cut.data(), *end = p + cut.size();
                 (p = static_cast<const char *>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))); ++p)
                ++lines_;
            used_ += *end;
        }
        return !blocks.empty();
    }

    std::string_view bytes() const { return buf_; }
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
    checker.set_detail(detail, suggest_budget);
    for (const Record &r : records) sinks.result(r, checker.check(r));
}

void run_blocks(const BlockRun &run, FormReader &reader, const RunSinks &sinks) {
    {
        Checker checker(run.checked, run.conv);
        start_checker(checker, run.conv);
    }
    BlockLayout layout = reader.block_layout();
    Cutter cutter(*reader.source(), layout);
    OnceFilter once;
    long forms = 0;
    std::vector<Block> blocks;
    const std::size_t jobs = static_cast<std::size_t>(std::max(run.jobs, 1));
    while (cutter.next(jobs * kBlocksPerWorker, blocks))
        forms += Pool(run, layout, cutter.bytes(), std::move(blocks), sinks, once, forms).run(run.jobs);
    if (cutter.fault()) throw *cutter.fault();
}

}  // namespace talvhost
