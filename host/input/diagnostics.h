// Errors in what the user handed us (files, options), carrying the place at
// fault so that every message can name it.
#pragma once

#include <cstdio>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace talvhost {

struct Place {
    std::string file;   // empty: not about a file
    long line = 0;      // 1-based; 0 when not known
    long column = 0;    // 1-based byte column; 0 when not known
    std::string field;  // field at fault, when there is one

    std::string describe() const;  // "file:line:column: field X" as far as known
};

class InputError : public std::runtime_error {
public:
    InputError(Place place, const std::string &what)
        : std::runtime_error(what), place_(std::move(place)) {}
    const Place &place() const { return place_; }
    // "file:line:col: field X: what"
    std::string full() const;

private:
    Place place_;
};

// Where bad input is reported as it is met: standard error, one line each,
// so that the good part of a batch still gets checked.
class Diagnostics {
public:
    // One message as it would be printed, for a front end that hands them
    // on in its own terms (Python warnings) instead of printing them.
    // A message a reader says once per field or key.  Readers of blocks of
    // one file each say it, so whoever gathers their messages says each
    // once, and at most `limit` of a kind (0: no limit).
    struct Once {
        std::string kind, name;
        std::size_t limit = 0;
    };
    struct Said {
        bool error;
        std::string text;  // without the "talvechk: error: " before it
        Once once = {};    // kind empty: said every time
    };
    explicit Diagnostics(std::FILE *out = stderr) : out_(out) {}
    explicit Diagnostics(std::vector<Said> *kept) : out_(nullptr), kept_(kept) {}
    void error(const InputError &e);
    void error(const std::string &message);
    // Said, not counted: the batch is checked as it would be without it.
    void warning(const InputError &e);
    void warning(const std::string &message);
    void warning(const InputError &e, Once once);
    long count() const { return count_; }

private:
    std::FILE *out_;
    std::vector<Said> *kept_ = nullptr;
    long count_ = 0;
};

// Lets through the first of each message said once (see Diagnostics::Once).
class OnceFilter {
public:
    bool first(const Diagnostics::Once &once);

private:
    std::map<std::string, std::set<std::string>> said_;  // kind -> names
};

// Exit statuses of the command.
enum ExitStatus { kExitPass = 0, kExitFalse = 1, kExitError = 2 };

}  // namespace talvhost
