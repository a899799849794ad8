// Runs the checks of a batch, in this process or in worker processes (the
// library's evaluation state is per process), and hands the results back in
// the order of the forms whatever the number of workers.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "check/checker.h"
#include "input/form.h"
#include "input/results.h"

namespace talvhost {

struct RunSinks {
    std::function<void(const Record &, FormResult &&)> result;
    std::function<void(const Record &)> lost;          // a form no worker could check
    std::function<void(const std::string &)> say;      // a worker died, and what became of its forms
    // Workers only: what a block's reader said (each message said once
    // filtered already), then how many forms it met and how many of them
    // cannot be checked; before the block's results.
    std::function<void(const Diagnostics::Said &)> said;
    std::function<void(long forms, long bad)> read;
};

// Checks records read already, here; results in the order of the records.
// Throws std::runtime_error when the library refuses its callbacks.
void run_checks(const Form &form, Converter &conv, const std::vector<Record> &records, const RunSinks &sinks,
                Detail detail = Detail::None, std::size_t suggest_budget = 0);

struct BlockRun {
    const Form &form;     // as the reader was opened with
    const Form &checked;  // the checks to run
    Converter &conv;
    const std::string &path;
    const ReadOptions &read;
    int jobs = 2;
    Detail detail = Detail::None;
    std::size_t suggest_budget = 0;
};

// Takes the bytes after what the reader has read (its header) and cuts
// them into blocks of whole forms; jobs worker processes each read,
// convert and check blocks of their own, and the results are handed over
// in the order of the file.  A worker that dies hands its forms to a fresh
// worker, once.  Throws InputError on a read error once every form before
// it was handed over; std::runtime_error when the library refuses its
// callbacks or no worker can be started.
void run_blocks(const BlockRun &run, FormReader &reader, const RunSinks &sinks);

// The wire format of a result between a worker and the parent.
void encode_result(const FormResult &result, std::string &out);
// Reads the result that starts at buf[at] and moves `at` past it; false
// when it is not complete yet.
bool decode_result(const std::string &buf, std::size_t &at, FormResult &result);

}  // namespace talvhost
