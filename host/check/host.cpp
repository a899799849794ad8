#include "check/host.h"

#include <cstring>

namespace talvhost {

namespace {

FormHost *host_of(uintptr_t context) { return reinterpret_cast<FormHost *>(context); }

// Copies at most size - 1 bytes and terminates.
void put_text(char *dst, std::size_t size, std::string_view src) {
    std::size_t n = src.size() < size - 1 ? src.size() : size - 1;
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

}  // namespace

uint32_t FormHost::install() {
    PPR_PROC procs[3] = {reinterpret_cast<PPR_PROC>(&FormHost::field_value),
                         reinterpret_cast<PPR_PROC>(&FormHost::field_range),
                         reinterpret_cast<PPR_PROC>(&FormHost::field_list)};
    uintptr_t contexts[3];
    for (uintptr_t &c : contexts) c = reinterpret_cast<uintptr_t>(this);
    return PPR_init(procs, contexts);
}

int32_t FormHost::field_value(uintptr_t context, const char *name, PPR_FIELD_VALUE *record) {
    FormHost *host = host_of(context);
    if (!name || !record) return -9;
    auto it = host->form_.by_sjis_name.find(std::string_view(name));
    if (it == host->form_.by_sjis_name.end()) {
        host->missing_ = name;
        return -1;
    }
    const FieldDef &field = host->form_.fields[it->second];
    // Each text ends at its terminator, which is where the library stops
    // reading; clearing the whole 1692-byte record as well cost more than
    // everything else the callback does.
    record->attr = field.attr;
    record->reserved = 0;
    put_text(record->type, sizeof record->type, field.type);
    put_text(record->class_spec, sizeof record->class_spec, field.class_spec);
    if (host->record_)
        put_text(record->value, sizeof record->value, host->record_->value(it->second));
    else
        record->value[0] = '\0';
    return 0;
}

int32_t FormHost::field_range(uintptr_t context, int32_t *count, char **names, int32_t capacity, char *store,
                              int32_t store_size) {
    FormHost *host = host_of(context);
    if (!count || !names || !store || capacity < 0 || store_size < 0) return -9;
    const auto &fields = host->form_.fields;
    std::size_t used = 0;
    if (fields.size() > static_cast<std::size_t>(capacity)) return -2;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string &name = fields[i].sjis_name;
        if (used + name.size() + 1 > static_cast<std::size_t>(store_size)) return -2;
        std::memcpy(store + used, name.c_str(), name.size() + 1);
        names[i] = store + used;
        used += name.size() + 1;
    }
    *count = static_cast<int32_t>(fields.size());
    return 0;
}

int32_t FormHost::field_list(uintptr_t context, PPR_FIELD_ENTRY *entries, int32_t *count, int32_t capacity) {
    FormHost *host = host_of(context);
    if (!entries || !count || capacity < 0) return -9;
    int32_t n = 0;
    for (const FieldDef &field : host->form_.fields) {
        if (!field.excluded) continue;
        if (n >= capacity) return -2;
        PPR_FIELD_ENTRY &entry = entries[n++];
        std::memset(&entry, 0, sizeof entry);
        // Names are at most 32 bytes; one of exactly 32 goes unterminated.
        std::memcpy(entry.name, field.sjis_name.data(), field.sjis_name.size());
    }
    *count = n;
    return 0;
}

}  // namespace talvhost
