// The host's CSV reader on arbitrary bytes (first byte: the options).
#include "readers_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    talv_fuzz::run_reader_input(data, size, talvhost::ResultsFormat::Csv);
    return 0;
}
