#include "run_cli.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace cli_test {

CliRun run_program(const std::string &path, const std::vector<std::string> &args, const std::string &stdin_text,
                   const std::vector<std::string> &env) {
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err)) throw std::runtime_error("pipe");
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork");
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(path.c_str()));
        for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        for (const std::string &e : env) putenv(const_cast<char *>(e.c_str()));
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    // Feed standard input and drain both outputs together, so that neither
    // side blocks on a full pipe.
    signal(SIGPIPE, SIG_IGN);
    std::size_t fed = 0;
    int to_child = in[1];
    if (stdin_text.empty()) {
        close(to_child);
        to_child = -1;
    } else {
        fcntl(to_child, F_SETFL, O_NONBLOCK);
    }
    CliRun run;
    bool out_open = true, err_open = true;
    while (out_open || err_open) {
        std::vector<pollfd> fds;
        if (out_open) fds.push_back({out[0], POLLIN, 0});
        if (err_open) fds.push_back({err[0], POLLIN, 0});
        if (to_child >= 0) fds.push_back({to_child, POLLOUT, 0});
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (const pollfd &p : fds) {
            if (!p.revents) continue;
            if (p.fd == to_child) {
                ssize_t n = write(to_child, stdin_text.data() + fed, stdin_text.size() - fed);
                if (n > 0) fed += static_cast<std::size_t>(n);
                if (n < 0 || fed == stdin_text.size()) {
                    close(to_child);
                    to_child = -1;
                }
                continue;
            }
            char buf[65536];
            ssize_t n = read(p.fd, buf, sizeof buf);
            if (n <= 0) {
                (p.fd == out[0] ? out_open : err_open) = false;
                continue;
            }
            (p.fd == out[0] ? run.out : run.err).append(buf, static_cast<std::size_t>(n));
        }
    }
    if (to_child >= 0) close(to_child);
    close(out[0]);
    close(err[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

CliRun talvechk(const std::vector<std::string> &args, const std::string &stdin_text,
                const std::vector<std::string> &env) {
    return run_program(TALVECHK_BIN, args, stdin_text, env);
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "talvechk-cli-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    dir_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::string TempDir::write(const std::string &name, const std::string &content) const {
    std::string p = path(name);
    std::ofstream f(p, std::ios::binary);
    f << content;
    return p;
}

std::string read_text(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string summary_line(const std::string &out) {
    auto lines = lines_of(out);
    return lines.empty() ? "" : lines.back();
}

}  // namespace cli_test
