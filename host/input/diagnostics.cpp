#include "input/diagnostics.h"

#include <fmt/format.h>

#include "input/encoding.h"

namespace talvhost {

std::string Place::describe() const {
    std::string out = file;
    if (!file.empty() && line > 0) {
        out += fmt::format(":{}", line);
        if (column > 0) out += fmt::format(":{}", column);
    }
    if (!field.empty()) {
        if (!out.empty()) out += ": ";
        out += fmt::format("field {}", field);
    }
    return out;
}

std::string InputError::full() const {
    std::string where = place_.describe();
    return where.empty() ? what() : where + ": " + what();
}

void Diagnostics::error(const InputError &e) { error(e.full()); }

void Diagnostics::error(const std::string &message) {
    ++count_;
    if (kept_) {
        kept_->push_back({true, visible(message)});
        return;
    }
    fmt::print(out_, "talvechk: error: {}\n", visible(message));
    std::fflush(out_);
}

void Diagnostics::warning(const InputError &e) { warning(e.full()); }

void Diagnostics::warning(const InputError &e, Once once) {
    if (kept_) {
        kept_->push_back({false, visible(e.full()), std::move(once)});
        return;
    }
    warning(e);
}

void Diagnostics::warning(const std::string &message) {
    if (kept_) {
        kept_->push_back({false, visible(message)});
        return;
    }
    fmt::print(out_, "talvechk: warning: {}\n", visible(message));
    std::fflush(out_);
}

bool OnceFilter::first(const Diagnostics::Once &once) {
    if (once.kind.empty()) return true;
    std::set<std::string> &names = said_[once.kind];
    if (names.count(once.name) || (once.limit && names.size() >= once.limit)) return false;
    names.insert(once.name);
    return true;
}

}  // namespace talvhost
