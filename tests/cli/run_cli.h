// Runs the talvechk binary as a user would and captures what it says.
#pragma once

#include <string>
#include <vector>

namespace cli_test {

struct CliRun {
    int status = -1;  // exit status; 128 + signal when killed
    std::string out, err;
};

// Runs talvechk with these arguments (no shell involved); stdin_text, if
// given, is written to its standard input.
// env: more NAME=VALUE entries for its environment.
CliRun talvechk(const std::vector<std::string> &args, const std::string &stdin_text = "",
                const std::vector<std::string> &env = {});
CliRun run_program(const std::string &path, const std::vector<std::string> &args, const std::string &stdin_text = "",
                   const std::vector<std::string> &env = {});

// A directory of its own for each test, removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    // Writes a file (bytes as given) and returns its path.
    std::string write(const std::string &name, const std::string &content) const;
    std::string path(const std::string &name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
};

std::string read_text(const std::string &path);
std::vector<std::string> lines_of(const std::string &text);

// The last line of a JSON Lines report, parsed: {"summary": {...}}.
std::string summary_line(const std::string &out);

}  // namespace cli_test
