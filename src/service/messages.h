// Building message texts from catalogue texts.
#pragma once

#include <cstddef>
#include <cstdint>

namespace talv {

// The text given when the catalogue lookup failed with `cause`.
const char *lookup_failure_text(uint32_t cause);

// Whether the message of `code` names a field, variable or function through
// "%s" that Get_PPRPT_Message fills from the record's text.
bool message_takes_name(uint32_t code);

// Writes `tmpl` into `out` (size >= 1), "%s" replaced by `name` and "%08X"
// by `code` in eight upper-case hexadecimal digits, "%%" by "%"; any other
// "%" stands as it is.  The result is cut to size - 1 bytes and terminated.
// The template is never handed to a printf-like function, so a text cut in
// the middle of a conversion is harmless.
void format_message(const char *tmpl, char *out, std::size_t size, const char *name, uint32_t code);

// Copies `text` into `out` (size >= 1), cut to size - 1 bytes and terminated.
void copy_message(const char *text, char *out, std::size_t size);

}  // namespace talv
