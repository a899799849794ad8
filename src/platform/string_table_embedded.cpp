// The message lookup where the library carries its catalogue itself (every
// platform but Windows, whose string resources serve instead).
#include "service/string_table.h"

#include <algorithm>
#include <cstring>

namespace talv {

const CatalogueEntry *find_message(uint32_t id) {
    for (std::size_t i = 0; i < kCatalogueSize; ++i)
        if (kCatalogue[i].id == id) return &kCatalogue[i];
    return nullptr;
}

LookupResult load_string(uint32_t id, char *buffer, int size) {
    if (!buffer || size < 1) return {0, kLookupInvalidParameter};
    const CatalogueEntry *entry = id <= 0xFFFF ? find_message(id) : nullptr;
    if (!entry) return {0, kLookupNotFound};
    int length = std::min<int>(entry->length, size - 1);
    std::memcpy(buffer, entry->text, static_cast<std::size_t>(length));
    buffer[length] = '\0';
    return {length, kLookupNoError};
}

}  // namespace talv
