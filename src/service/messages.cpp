// Get_PPR_Message and Get_PPRPT_Message.
#include "service/messages.h"

#include <cstring>

#include "service/string_table.h"
#include "talvechk.h"
#include "talvechk_messages.h"

namespace talv {
namespace {

// Every catalogue text fits, with room to spare.
constexpr int kWorkBufferSize = 516;

class BoundedWriter {
public:
    BoundedWriter(char *out, std::size_t size) : out_(out), limit_(size - 1) {}
    ~BoundedWriter() { out_[used_] = '\0'; }
    void put(char c) {
        if (used_ < limit_) out_[used_++] = c;
    }
    void put(const char *s, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) put(s[i]);
    }

private:
    char *out_;
    std::size_t limit_;
    std::size_t used_ = 0;
};

// Steps 2 to 5 shared by both functions; `name` is null when the loaded text
// is to be copied as it stands.
int write_message(uint32_t code, char *buffer, std::size_t size, const char *name, bool format) {
    if (code == TALV_R_NO_MEMORY) {
        copy_message(fixed_text_memory_shortage, buffer, size);
        return 1;
    }
    if (code == TALV_OK) {
        copy_message(fixed_text_normal_end, buffer, size);
        return 1;
    }
    char work[kWorkBufferSize];
    LookupResult found = load_string(code & 0xFFFFu, work, sizeof work);
    if (found.length == 0) {
        copy_message(lookup_failure_text(found.error), buffer, size);
        return 1;
    }
    if (format)
        format_message(work, buffer, size, name ? name : "", code);
    else
        copy_message(work, buffer, size);
    return 1;
}

}  // namespace

const char *lookup_failure_text(uint32_t cause) {
    if (cause == kLookupNotFound || cause == kLookupNoError) return fixed_text_unexpected_error;
    return fixed_text_no_memory_for_message;
}

bool message_takes_name(uint32_t code) {
    switch (code) {
    case TALV_E_NO_FIELD:
    case TALV_E_NO_VALUE:
    case TALV_E_NO_FUNCTION:
    case TALV_E_FIELD_EXCLUDED:
    case TALV_E_FIELD_NOT_NUMERIC:
        return true;
    default:
        return (code & 0xFF00FFFFu) == TALV_E_ARGUMENTS;
    }
}

void format_message(const char *tmpl, char *out, std::size_t size, const char *name, uint32_t code) {
    static const char kHexDigits[] = "0123456789ABCDEF";
    BoundedWriter w(out, size);
    for (const char *p = tmpl; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            w.put(name, std::strlen(name));
            ++p;
        } else if (std::strncmp(p, "%08X", 4) == 0) {
            for (int shift = 28; shift >= 0; shift -= 4) w.put(kHexDigits[(code >> shift) & 0xFu]);
            p += 3;
        } else if (p[0] == '%' && p[1] == '%') {
            w.put('%');
            ++p;
        } else {
            w.put(*p);
        }
    }
}

void copy_message(const char *text, char *out, std::size_t size) {
    BoundedWriter w(out, size);
    w.put(text, std::strlen(text));
}

}  // namespace talv

extern "C" {

TALV_API int talv_message_takes_name(uint32_t code) { return talv::message_takes_name(code) ? 1 : 0; }

TALV_API int Get_PPR_Message(uint32_t code, char *buffer, int32_t size) {
    if (!buffer || size <= 0) return 0;
    // No name travels with a bare code: "%s" is left empty.
    return talv::write_message(code, buffer, static_cast<std::size_t>(size), "", true);
}

TALV_API int Get_PPRPT_Message(const PPR_CERTIFY_RESULT *record, char *buffer, int32_t size) {
    if (!record || !buffer || size <= 0) return 0;
    const uint32_t code = record->code;
    if (!talv::message_takes_name(code))
        return talv::write_message(code, buffer, static_cast<std::size_t>(size), nullptr, false);
    // The record's text need not be terminated, and the buffer may be that
    // very text: take a terminated copy first.
    char name[sizeof record->text + 1];
    std::size_t n = strnlen(record->text, sizeof record->text);
    std::memcpy(name, record->text, n);
    name[n] = '\0';
    return talv::write_message(code, buffer, static_cast<std::size_t>(size), name, true);
}

}  // extern "C"
