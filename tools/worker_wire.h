// What a worker hands the parent through its pipe: frames of a kind byte,
// a length and the bytes, so that the parent can take them as they come.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "check/checker.h"
#include "input/diagnostics.h"
#include "input/results.h"

namespace talvhost {

// One block as its reader read it: what it said and the forms that can be
// checked (number, line and id only; numbered from 1 within the block).
struct BlockRead {
    bool have = false;
    long forms = 0, bad = 0;
    std::vector<Diagnostics::Said> said;
    std::vector<Record> records;
};

enum class Frame : char { Read = 'R', Result = 'F' };

void put_u32(std::string &out, uint32_t v);
uint32_t get_u32(const std::string &in, std::size_t &pos);

// Appends a frame; body() appends its bytes.
template <class Body>
void put_frame(std::string &out, Frame kind, Body &&body) {
    out += static_cast<char>(kind);
    std::size_t at = out.size();
    put_u32(out, 0);
    body(out);
    std::string length;
    put_u32(length, static_cast<uint32_t>(out.size() - at - 4));
    out.replace(at, 4, length);
}

// A form's values, for the parent to show beside its findings.
void encode_values(const Record &record, std::string &out);
// Reads them at buf[pos] into record, moving pos past them.
void decode_values(const std::string &buf, std::size_t &pos, Record &record);

void encode_read(std::size_t block, const BlockRead &read, std::string &out);
// The body of a Read frame.
void decode_read(const std::string &buf, std::size_t pos, std::size_t &block, BlockRead &read);

}  // namespace talvhost
