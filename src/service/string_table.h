// The message catalogue and the lookup the message functions use.  Texts are
// CP932 bytes generated at build time from resources/messages.txt; the
// lookup is the platform's (src/platform/): the library's own table, or on
// Windows the DLL's string resources.
#pragma once

#include <cstddef>
#include <cstdint>

namespace talv {

struct CatalogueEntry {
    uint16_t id;
    uint16_t length;    // bytes before the NUL
    const char *text;
};

// The table the library carries where the platform has no string resources.
extern const CatalogueEntry kCatalogue[];
extern const std::size_t kCatalogueSize;

// Texts the message functions give without a lookup.
extern const char fixed_text_normal_end[];
extern const char fixed_text_memory_shortage[];
extern const char fixed_text_unexpected_error[];
extern const char fixed_text_no_memory_for_message[];

// Causes of a failed lookup, numbered as the hosts' platform numbers them, so
// that a cause can be reported unchanged.
enum LookupError : uint32_t {
    kLookupNoError = 0,
    kLookupInvalidParameter = 87,
    kLookupNotFound = 1814,
};

struct LookupResult {
    int length;           // bytes written before the NUL; 0 on failure
    LookupError error;    // why length is 0
};

// Copies the text of `id` into `buffer`, cut to size - 1 bytes and
// terminated.  A missing buffer or a size below 1 is an invalid parameter
// and writes nothing.
LookupResult load_string(uint32_t id, char *buffer, int size);

// The catalogue entry of `id`, or null when the id is absent.
const CatalogueEntry *find_message(uint32_t id);

}  // namespace talv
