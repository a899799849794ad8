#include "input/record_builder.h"

#include <fmt/format.h>

#include "input/diagnostics.h"

namespace talvhost {

void RecordBuilder::set(std::size_t field, std::string_view utf8) {
    const std::string &name = form_.fields.at(field).name;
    std::string sjis;
    try {
        sjis = conv_.to_cp932(utf8);
    } catch (const TextError &e) {
        throw InputError(Place{{}, 0, 0, name}, fmt::format("{} at byte {}", e.what(), e.offset + 1));
    }
    if (sjis.size() > kValueLimit)
        throw InputError(Place{{}, 0, 0, name}, fmt::format("the text has {} bytes in CP932; a field holds at most {}",
                                                            sjis.size(), kValueLimit));
    values_[field] = std::move(sjis);
    for (auto it = shown_.begin(); it != shown_.end(); ++it)
        if (it->first == field) {
            shown_.erase(it);
            break;
        }
    if (keep_given_ && !is_ascii(utf8)) shown_.emplace_back(field, std::string(utf8));
}

Record RecordBuilder::take(long number) {
    Record rec;
    rec.number = number;
    rec.pack(values_);
    for (auto &[field, text] : shown_) rec.keep_shown(field, std::move(text));
    reset();
    return rec;
}

void RecordBuilder::reset() {
    for (std::string &v : values_) v.clear();
    shown_.clear();
}

}  // namespace talvhost
