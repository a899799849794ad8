// The record the field-value callback fills.  The host sees it cleared, as
// a fresh record would be; rather than clearing all 1692 bytes for every
// read, one shared record is kept clear by clearing after each read what
// the read can reach: each text up to and including its terminator.
#pragma once

#include <cstddef>
#include <cstdint>

#include "talvechk.h"

namespace talv {

class ValueRecord {
public:
    ValueRecord();
    ~ValueRecord();
    ValueRecord(const ValueRecord &) = delete;
    ValueRecord &operator=(const ValueRecord &) = delete;

    PPR_FIELD_VALUE &record() { return *record_; }

    // The length of the value text when the caller has measured it, so that
    // clearing need not measure it again.
    void value_length_is(std::size_t length) { value_length_ = length; }

private:
    PPR_FIELD_VALUE *record_;
    std::size_t value_length_ = SIZE_MAX;  // unknown
    // A read while the shared record is in use (a callback that reaches back
    // into the library) gets a record of its own, cleared whole.
    PPR_FIELD_VALUE own_;
};

// Clears the shared record whole: a new host must not meet anything the
// last one left beyond its texts' terminators.
void clear_value_record();

}  // namespace talv
