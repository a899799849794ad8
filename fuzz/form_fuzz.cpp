// The host's form loader on arbitrary bytes: a definition is accepted or
// refused with an InputError, and what it accepts holds to its limits.
#include "readers_driver.h"
#include "talvechk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    talvhost::Converter conv;
    try {
        talvhost::Form form =
            talvhost::parse_form(std::string(reinterpret_cast<const char *>(data), size), "form.json", conv);
        talv_fuzz::require(!form.fields.empty() && form.fields.size() <= TALV_MAX_FIELDS, "fields out of bounds");
        for (const talvhost::FieldDef &f : form.fields) {
            talv_fuzz::require(!f.sjis_name.empty() && f.sjis_name.size() <= TALV_MAX_FIELD_NAME, "a name past the limit");
            talv_fuzz::require(form.by_sjis_name.at(f.sjis_name) < form.fields.size(), "a name not indexed");
        }
    } catch (const talvhost::InputError &) {
    }
    return 0;
}
