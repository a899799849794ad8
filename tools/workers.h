// Runs the checks of a batch, in this process or in worker processes (the
// library's evaluation state is per process), and hands the results back in
// the order of the records whatever the number of workers.
#pragma once

#include <functional>
#include <vector>

#include "checker.h"
#include "form.h"
#include "results.h"

namespace talvhost {

using ResultSink = std::function<void(const Record &, FormResult &&)>;

// jobs 1 runs here; more fork that many workers, each taking every jobs-th
// slice of the batch.  Throws std::runtime_error when the library refuses
// its callbacks or a worker dies.
void run_checks(const Form &form, Converter &conv, const std::vector<Record> &records, int jobs,
                const ResultSink &sink);

// The wire format between a worker and the parent.
void encode_result(const FormResult &result, std::string &out);
// Reads the result that starts at buf[at] and moves `at` past it; false
// when it is not complete yet.
bool decode_result(const std::string &buf, std::size_t &at, FormResult &result);

}  // namespace talvhost
