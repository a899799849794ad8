// PPR_eval and PPR_certify over arbitrary expressions and hostile hosts.
#include <cstdio>

#include "eval_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string fault = talv_fuzz::run_eval_input(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "unsound answer: %s\n", fault.c_str());
        __builtin_trap();
    }
    return 0;
}
