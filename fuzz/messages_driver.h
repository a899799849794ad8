// One run of the messages target: Get_PPR_Message and Get_PPRPT_Message with
// an arbitrary code, record text and buffer size; the buffer is exactly as
// large as announced.  Input: 4 bytes of code (little-endian), 2 bytes of
// size (0..65535, taken modulo 701), then up to 512 bytes of record text.
// Shared by the fuzz target and the regression test that replays
// fuzz/regressions/messages/.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "talvechk.h"

namespace talv_fuzz {

// Empty when every answer was sound, else what was wrong.
inline std::string run_messages_input(const uint8_t *data, std::size_t size) {
    uint8_t head[6] = {};
    std::memcpy(head, data, size < sizeof head ? size : sizeof head);
    const uint32_t code = head[0] | head[1] << 8 | head[2] << 16 | static_cast<uint32_t>(head[3]) << 24;
    const int32_t buf_size = (head[4] | head[5] << 8) % 701;
    PPR_CERTIFY_RESULT record;
    record.code = code;
    std::memset(record.text, 0xFF, sizeof record.text);  // no terminator unless the input gives one
    if (size > sizeof head) {
        std::size_t n = size - sizeof head;
        std::memcpy(record.text, data + sizeof head, n < sizeof record.text ? n : sizeof record.text);
    }

    std::unique_ptr<char[]> buffer(new char[buf_size > 0 ? buf_size : 1]);
    char *out = buf_size > 0 ? buffer.get() : nullptr;
    int r1 = Get_PPR_Message(code, out, buf_size);
    if (buf_size > 0 && (r1 != 1 || std::memchr(out, 0, buf_size) == nullptr)) return "Get_PPR_Message";
    int r2 = Get_PPRPT_Message(&record, out, buf_size);
    if (buf_size > 0 && (r2 != 1 || std::memchr(out, 0, buf_size) == nullptr)) return "Get_PPRPT_Message";
    if (buf_size == 0 && (r1 != 0 || r2 != 0)) return "wrote into a buffer of size 0";
    // The record's own text as the buffer.
    if (Get_PPRPT_Message(&record, record.text, sizeof record.text) != 1) return "record as buffer";
    if (std::memchr(record.text, 0, sizeof record.text) == nullptr) return "record text unterminated";
    return {};
}

}  // namespace talv_fuzz
