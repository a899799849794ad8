// Get_PPR_Message / Get_PPRPT_Message with arbitrary codes, texts and sizes.
#include <cstdio>

#include "messages_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string fault = talv_fuzz::run_messages_input(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "unsound answer: %s\n", fault.c_str());
        __builtin_trap();
    }
    return 0;
}
