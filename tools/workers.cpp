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

[[noreturn]] void worker_main(const Form &form, Converter &conv, const std::vector<Record> &records,
                              std::size_t first_slice, std::size_t step, int fd) {
    Checker checker(form, conv);
    if (checker.start() != 0) _exit(kWorkerInitFailed);
    std::string out;
    for (std::size_t slice = first_slice; slice * kSlice < records.size(); slice += step) {
        out.clear();
        std::size_t end = std::min(records.size(), (slice + 1) * kSlice);
        for (std::size_t i = slice * kSlice; i < end; ++i) encode_result(checker.check(records[i]), out);
        if (!write_all(fd, out.data(), out.size())) _exit(1);
    }
    PPR_end();
    ::close(fd);
    // Skip the parent's exit handlers and stream buffers: they are not ours.
    _exit(0);
}

struct Worker {
    pid_t pid = -1;
    int fd = -1;
    std::string buf;
    std::deque<FormResult> ready;
    bool eof = false;
};

void stop_workers(std::vector<Worker> &workers) {
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

void run_parallel(const Form &form, Converter &conv, const std::vector<Record> &records, int jobs,
                  const ResultSink &sink) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::vector<Worker> workers(static_cast<std::size_t>(jobs));
    for (std::size_t w = 0; w < workers.size(); ++w) {
        int fds[2];
        if (::pipe(fds) != 0) {
            stop_workers(workers);
            throw std::runtime_error(fmt::format("cannot make a pipe: {}", std::strerror(errno)));
        }
        pid_t pid = ::fork();
        if (pid < 0) {
            ::close(fds[0]);
            ::close(fds[1]);
            stop_workers(workers);
            throw std::runtime_error(fmt::format("cannot start a worker: {}", std::strerror(errno)));
        }
        if (pid == 0) {
            ::close(fds[0]);
            for (std::size_t k = 0; k < w; ++k) ::close(workers[k].fd);
            worker_main(form, conv, records, w, workers.size(), fds[1]);
        }
        ::close(fds[1]);
        workers[w].pid = pid;
        workers[w].fd = fds[0];
    }

    auto fail = [&](Worker &w, std::size_t index) {
        int status = 0;
        while (::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {}
        w.pid = -1;
        std::string why = WIFEXITED(status) && WEXITSTATUS(status) == kWorkerInitFailed
                              ? "could not install its callbacks"
                              : describe_status(status);
        stop_workers(workers);
        const Record &r = records[index];
        throw std::runtime_error(fmt::format("worker {} {} while checking form {} (line {}) or a later one",
                                             &w - workers.data() + 1, why, r.number, r.line));
    };

    std::vector<pollfd> polls;
    for (std::size_t next = 0; next < records.size();) {
        Worker &want = workers[(next / kSlice) % workers.size()];
        if (!want.ready.empty()) {
            FormResult result = std::move(want.ready.front());
            want.ready.pop_front();
            sink(records[next], std::move(result));
            ++next;
            continue;
        }
        if (want.eof) fail(want, next);
        // Drain every pipe that has data, so that no worker blocks on a full
        // pipe while we wait for another.
        polls.clear();
        for (Worker &w : workers)
            if (!w.eof) polls.push_back(pollfd{w.fd, POLLIN, 0});
        if (::poll(polls.data(), polls.size(), -1) < 0) {
            if (errno == EINTR) continue;
            stop_workers(workers);
            throw std::runtime_error(fmt::format("poll: {}", std::strerror(errno)));
        }
        for (const pollfd &p : polls) {
            if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
            Worker *w = nullptr;
            for (Worker &candidate : workers)
                if (candidate.fd == p.fd) w = &candidate;
            char chunk[65536];
            ssize_t n = ::read(p.fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                w->eof = true;
                continue;
            }
            w->buf.append(chunk, static_cast<std::size_t>(n));
            FormResult result;
            std::size_t used = 0;
            while (decode_result(w->buf, used, result)) w->ready.push_back(std::move(result));
            w->buf.erase(0, used);
        }
    }
    for (Worker &w : workers) {
        ::close(w.fd);
        w.fd = -1;
        int status = 0;
        while (::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {}
        w.pid = -1;
    }
}

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
        result.findings.push_back(std::move(f));
    }
    at += length;
    return true;
}

void run_checks(const Form &form, Converter &conv, const std::vector<Record> &records, int jobs,
                const ResultSink &sink) {
    // The parent installs the callbacks once whatever the number of jobs, so
    // that a refusal is reported with its code rather than as a dead worker.
    Checker checker(form, conv);
    if (uint32_t rc = checker.start(); rc != 0)
        throw std::runtime_error(fmt::format("the library refused the callbacks: PPR_init returned {:08X}: {}",
                                             rc, library_message(conv, rc)));
    std::size_t slices = (records.size() + kSlice - 1) / kSlice;
    if (jobs <= 1 || slices <= 1) {
        for (const Record &r : records) sink(r, checker.check(r));
        return;
    }
    if (static_cast<std::size_t>(jobs) > slices) jobs = static_cast<int>(slices);
    run_parallel(form, conv, records, jobs, sink);
}

}  // namespace talvhost
