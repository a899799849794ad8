// The host side of the library's callbacks: serves the fields of one form
// at a time from a form definition and one record of values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/form.h"
#include "input/results.h"
#include "talvechk.h"

namespace talvhost {

class FormHost {
public:
    explicit FormHost(const Form &form) : form_(form) {}

    // Installs the three callbacks; returns PPR_init's answer.
    uint32_t install();

    // The form whose values the callbacks serve from now on; null serves
    // every field as empty.
    void serve(const Record *record) { record_ = record; }

    void forget_missing() { missing_.clear(); }

    // The last field name the library asked for that the form lacks.
    const std::string &missing() const { return missing_; }

private:
    static int32_t field_value(uintptr_t context, const char *name, PPR_FIELD_VALUE *record);
    static int32_t field_range(uintptr_t context, int32_t *count, char **names, int32_t capacity, char *store,
                               int32_t store_size);
    static int32_t field_list(uintptr_t context, PPR_FIELD_ENTRY *entries, int32_t *count, int32_t capacity);

    const Form &form_;
    const Record *record_ = nullptr;
    std::string missing_;
};

}  // namespace talvhost
