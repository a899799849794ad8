#include "workers.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <stdexcept>

#include <fmt/format.h>

namespace talvhost {

namespace {

// Forms per slice: small enough to keep the workers evenly loaded and the
// parent's output flowing, large enough to keep pipe traffic coarse.
constexpr std::size_t kSlice = 16;

void put_u32(std::string &out, uint32_t v) {
    char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                 static_cast<char>(v >> 24)};
    out.append(b, 4);
}

uint32_t get_u32(const std::string &in, std::size_t &pos) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(in[pos + i])) << (8 * i);
    pos += 4;
    return v;
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

// The record indices a worker checks, in the order of the file.
using Ranges = std::vector<std::pair<std::size_t, std::size_t>>;

// A fresh worker (one that takes over from a dead one) hands back each form
// as soon as it is checked, so that a second death names the form exactly.
[[noreturn]] void worker_main(const Form &form, Converter &conv, const std::vector<Record> &records,
                              const Ranges &ranges, bool each, int fd, Detail detail,
                              std::size_t suggest_budget) {
    Checker checker(form, conv);
    if (checker.start() != 0) _exit(kWorkerInitFailed);
    checker.set_detail(detail, suggest_budget);
    std::string out;
    for (auto [begin, end] : ranges) {
        for (std::size_t i = begin; i < end; ++i) {
            encode_result(checker.check(records[i]), out);
            if (each || i + 1 == end) {
                if (!write_all(fd, out.data(), out.size())) _exit(1);
                out.clear();
            }
        }
    }
    PPR_end();
    ::close(fd);
    // Skip the parent's exit handlers and stream buffers: they are not ours.
    _exit(0);
}

struct Worker {
    int number = 0;  // 1-based, for messages
    pid_t pid = -1;
    int fd = -1;
    std::string buf;
    std::deque<FormResult> ready;
    bool eof = false;
    bool fresh = false;  // took over from a dead worker
    bool gone = false;   // stands for forms no worker is left to check
    Ranges ranges;
};

void stop_workers(std::deque<Worker> &workers) {
    for (Worker &w : workers) {
        if (w.fd >= 0) ::close(w.fd);
        w.fd = -1;
        if (w.pid > 0) {
            ::kill(w.pid, SIGTERM);
            int status;
            while (::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {}
            w.pid = -1;
        }
    }
}

// At most this many fresh workers a run: a library that dies on every form
// costs a bounded number of forks, and the rest is counted as not checked.
constexpr int kFreshWorkers = 16;

std::string forms(std::size_t count, const char *where) {
    return fmt::format("{} form{}{}", count, count == 1 ? "" : "s", where);
}

class Pool {
public:
    Pool(const Form &form, Converter &conv, const std::vector<Record> &records, const RunSinks &sinks,
         Detail detail, std::size_t suggest_budget)
        : form_(form), conv_(conv), records_(records), sinks_(sinks), detail_(detail), suggest_budget_(suggest_budget) {}
    ~Pool() { stop_workers(workers_); }

    void run(int jobs) {
        std::fflush(stdout);
        std::fflush(stderr);
        std::size_t slices = (records_.size() + kSlice - 1) / kSlice;
        owner_.resize(slices);
        std::vector<Ranges> plan(static_cast<std::size_t>(jobs));
        for (std::size_t s = 0; s < slices; ++s) {
            owner_[s] = s % plan.size();
            plan[owner_[s]].emplace_back(s * kSlice, std::min(records_.size(), (s + 1) * kSlice));
        }
        for (Ranges &ranges : plan) start(std::move(ranges), false);

        std::vector<pollfd> polls;
        for (std::size_t next = 0; next < records_.size();) {
            Worker &want = workers_[owner_[next / kSlice]];
            if (want.gone) {
                sinks_.lost(records_[next]);
                ++next;
                continue;
            }
            if (!want.ready.empty()) {
                FormResult result = std::move(want.ready.front());
                want.ready.pop_front();
                if (result.number != records_[next].number)
                    throw std::runtime_error(fmt::format("worker {} handed back form {} where form {} was due",
                                                         want.number, result.number, records_[next].number));
                sinks_.result(records_[next], std::move(result));
                ++next;
                continue;
            }
            if (want.eof) {
                next = take_over(want, next);
                continue;
            }
            // Drain every pipe that has data, so that no worker blocks on a
            // full pipe while we wait for another.
            polls.clear();
            for (Worker &w : workers_)
                if (w.fd >= 0 && !w.eof) polls.push_back(pollfd{w.fd, POLLIN, 0});
            if (::poll(polls.data(), polls.size(), -1) < 0) {
                if (errno == EINTR) continue;
                throw std::runtime_error(fmt::format("poll: {}", std::strerror(errno)));
            }
            for (const pollfd &p : polls)
                if (p.revents & (POLLIN | POLLHUP | POLLERR)) drain(p.fd);
        }
        for (Worker &w : workers_) {
            if (w.fd >= 0) ::close(w.fd);
            w.fd = -1;
            reap(w);
        }
    }

private:
    void start(Ranges ranges, bool fresh) {
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
            worker_main(form_, conv_, records_, ranges, fresh, fds[1], detail_, suggest_budget_);
        }
        ::close(fds[1]);
        Worker &w = workers_.emplace_back();
        w.number = static_cast<int>(workers_.size());
        w.pid = pid;
        w.fd = fds[0];
        w.fresh = fresh;
        w.ranges = std::move(ranges);
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
        FormResult result;
        std::size_t used = 0;
        while (decode_result(w->buf, used, result)) w->ready.push_back(std::move(result));
        w->buf.erase(0, used);
    }

    int reap(Worker &w) {
        int status = 0;
        if (w.pid > 0)
            while (::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {}
        w.pid = -1;
        return status;
    }

    // Worker w ended before handing back the form at index `next` (every
    // earlier form of its share was handed back).  Its forms from there on
    // go to a fresh worker; a fresh worker that dies too loses that one form.
    // Returns where the parent goes on.
    std::size_t take_over(Worker &w, std::size_t next) {
        ::close(w.fd);
        w.fd = -1;
        int status = reap(w);
        std::string why = WIFEXITED(status) && WEXITSTATUS(status) == kWorkerInitFailed
                              ? "could not install its callbacks"
                              : describe_status(status);
        const Record &r = records_[next];
        std::size_t from = next;
        std::string what;
        if (w.fresh) {
            sinks_.lost(r);
            ++from;
            what = fmt::format("worker {} (a fresh one) {} while checking form {} (line {}); that form is not "
                               "checked",
                               w.number, why, r.number, r.line);
        } else {
            what = fmt::format("worker {} {} while checking form {} (line {}) or a later one", w.number, why,
                               r.number, r.line);
        }
        Ranges rest;
        std::size_t count = 0;
        for (auto [begin, end] : w.ranges) {
            begin = std::max(begin, from);
            if (begin >= end) continue;
            rest.emplace_back(begin, end);
            count += end - begin;
        }
        std::size_t slot = static_cast<std::size_t>(w.number - 1);
        if (count == 0) {
            sinks_.say(what);
            // Nothing of its share is left; the parent moves past the lost form.
            return from;
        }
        if (fresh_started_ >= kFreshWorkers) {
            sinks_.say(fmt::format("{}; {} {} are not checked ({} fresh workers were started already)", what,
                                   w.fresh ? "the" : "its", forms(count, w.fresh ? " after it" : " from there on"),
                                   kFreshWorkers));
            w.gone = true;
            w.ranges = std::move(rest);
            return from;
        }
        sinks_.say(w.fresh ? fmt::format("{}; the {} go to another fresh worker", what, forms(count, " after it"))
                           : fmt::format("{}; its {} are checked again in a fresh worker", what,
                                         forms(count, " from there on")));
        ++fresh_started_;
        start(rest, true);
        std::size_t heir = workers_.size() - 1;
        for (auto [begin, end] : rest)
            for (std::size_t s = begin / kSlice; s * kSlice < end; ++s)
                if (owner_[s] == slot) owner_[s] = heir;
        return from;
    }

    const Form &form_;
    Converter &conv_;
    const std::vector<Record> &records_;
    const RunSinks &sinks_;
    Detail detail_;
    std::size_t suggest_budget_;
    std::deque<Worker> workers_;  // a deque: workers started later leave the others in place
    std::vector<std::size_t> owner_;  // per slice: the worker that checks it
    int fresh_started_ = 0;
};

}  // namespace

void encode_result(const FormResult &result, std::string &out) {
    std::size_t start = out.size();
    put_u32(out, 0);  // length, patched below
    put_u32(out, static_cast<uint32_t>(result.number));
    put_u32(out, result.checks);
    put_u32(out, result.passed);
    put_u32(out, result.failed);
    put_u32(out, result.errors);
    put_u32(out, static_cast<uint32_t>(result.findings.size()));
    for (const Finding &f : result.findings) {
        put_u32(out, f.field);
        put_u32(out, f.out);
        put_u32(out, f.ret);
        put_u32(out, static_cast<uint32_t>(f.message.size()));
        out += f.message;
        put_u32(out, static_cast<uint32_t>(f.detail.size()));
        out += f.detail;
    }
    std::string length;
    put_u32(length, static_cast<uint32_t>(out.size() - start));
    out.replace(start, 4, length);
}

bool decode_result(const std::string &buf, std::size_t &at, FormResult &result) {
    if (buf.size() - at < 4) return false;
    std::size_t pos = at;
    uint32_t length = get_u32(buf, pos);
    if (buf.size() - at < length) return false;
    result = FormResult{};
    result.number = static_cast<long>(get_u32(buf, pos));
    result.checks = get_u32(buf, pos);
    result.passed = get_u32(buf, pos);
    result.failed = get_u32(buf, pos);
    result.errors = get_u32(buf, pos);
    uint32_t count = get_u32(buf, pos);
    for (uint32_t i = 0; i < count; ++i) {
        Finding f;
        f.field = get_u32(buf, pos);
        f.out = get_u32(buf, pos);
        f.ret = get_u32(buf, pos);
        uint32_t n = get_u32(buf, pos);
        f.message = buf.substr(pos, n);
        pos += n;
        n = get_u32(buf, pos);
        f.detail = buf.substr(pos, n);
        pos += n;
        result.findings.push_back(std::move(f));
    }
    at += length;
    return true;
}

void run_checks(const Form &form, Converter &conv, const std::vector<Record> &records, int jobs,
                const RunSinks &sinks, Detail detail, std::size_t suggest_budget) {
    // The parent installs the callbacks once whatever the number of jobs, so
    // that a refusal is reported with its code rather than as a dead worker.
    Checker checker(form, conv);
    if (uint32_t rc = checker.start(); rc != 0)
        throw std::runtime_error(fmt::format("the library refused the callbacks: PPR_init returned {:08X}: {}",
                                             rc, library_message(conv, rc)));
    std::size_t slices = (records.size() + kSlice - 1) / kSlice;
    if (jobs <= 1 || slices <= 1) {
        checker.set_detail(detail, suggest_budget);
        for (const Record &r : records) sinks.result(r, checker.check(r));
        return;
    }
    if (static_cast<std::size_t>(jobs) > slices) jobs = static_cast<int>(slices);
    Pool(form, conv, records, sinks, detail, suggest_budget).run(jobs);
}

}  // namespace talvhost
