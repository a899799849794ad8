// Runs the checks of a batch, in this process or in worker processes (the
// library's evaluation state is per process), and hands the results back in
// the order of the records whatever the number of workers.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "checker.h"
#include "form.h"
#include "results.h"

namespace talvhost {

struct RunSinks {
    std::function<void(const Record &, FormResult &&)> result;
    std::function<void(const Record &)> lost;          // a form no worker could check
    std::function<void(const std::string &)> say;      // a worker died, and what became of its forms
};

// jobs 1 runs here; more fork that many workers, each taking every jobs-th
// slice of the batch.  Results and lost forms are handed over in the order
// of the records.  A worker that dies hands its forms to a fresh worker, once.
// Throws std::runtime_error when the library refuses its callbacks or no
// worker can be started.
void run_checks(const Form &form, Converter &conv, const std::vector<Record> &records, int jobs,
                const RunSinks &sinks, Detail detail = Detail::None, std::size_t suggest_budget = 0);

// The wire format between a worker and the parent.
void encode_result(const FormResult &result, std::string &out);
// Reads the result that starts at buf[at] and moves `at` past it; false
// when it is not complete yet.
bool decode_result(const std::string &buf, std::size_t &at, FormResult &result);

}  // namespace talvhost
