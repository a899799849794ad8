// Get_PPR_Message / Get_PPRPT_Message with arbitrary codes, record texts and
// buffer sizes; the buffer is exactly as large as announced.
#include <cstring>
#include <memory>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "talvechk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    uint32_t code = fdp.ConsumeIntegral<uint32_t>();
    int32_t buf_size = fdp.ConsumeIntegralInRange<int32_t>(0, 700);
    PPR_CERTIFY_RESULT record;
    record.code = code;
    std::memset(record.text, 0xFF, sizeof record.text);  // no terminator unless the input gives one
    std::vector<uint8_t> text = fdp.ConsumeBytes<uint8_t>(sizeof record.text);
    if (!text.empty()) std::memcpy(record.text, text.data(), text.size());

    std::unique_ptr<char[]> buffer(new char[buf_size > 0 ? buf_size : 1]);
    int r1 = Get_PPR_Message(code, buf_size > 0 ? buffer.get() : nullptr, buf_size);
    if (buf_size > 0 && (r1 != 1 || std::memchr(buffer.get(), 0, buf_size) == nullptr)) __builtin_trap();
    int r2 = Get_PPRPT_Message(&record, buffer.get(), buf_size);
    if (buf_size > 0 && (r2 != 1 || std::memchr(buffer.get(), 0, buf_size) == nullptr)) __builtin_trap();
    if (buf_size == 0 && (r1 != 0 || r2 != 0)) __builtin_trap();
    return 0;
}
