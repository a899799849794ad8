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
CliRun talvechk(const std::vector<std::string> &args, const std::string &stdin_text = "");
CliRun run_program(const std::string &path, const std::vector<std::string> &args, const std::string &stdin_text = "");

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

// Whether the library behind the command evaluates checks (it does once all
// of it is in; until then the tests that need it are skipped).
bool library_evaluates();

}  // namespace cli_test

#define REQUIRE_LIBRARY()                                                                       \
    do {                                                                                        \
        if (!::cli_test::library_evaluates())                                                   \
            GTEST_SKIP() << "the library does not evaluate checks yet (placeholders in this build)"; \
    } while (0)
