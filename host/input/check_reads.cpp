#include "input/check_reads.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "talvechk.h"

namespace talvhost {

namespace {

// Field names of a range argument such as AMOUNT1..5: the prefix, then each
// number of the range in decimal.
void expand_range(const Form &form, const std::string &content, std::vector<std::size_t> &out) {
    std::size_t dots = content.find("..");
    if (dots == std::string::npos || dots == 0) return;
    std::size_t first_start = dots;
    while (first_start > 0 && std::isdigit(static_cast<unsigned char>(content[first_start - 1]))) --first_start;
    std::string last_text = content.substr(dots + 2);
    if (first_start == dots || last_text.empty() || last_text.size() > 9 ||
        !std::all_of(last_text.begin(), last_text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) ||
        dots - first_start > 9)
        return;
    std::string prefix = content.substr(0, first_start);
    long a = std::stol(content.substr(first_start, dots - first_start)), b = std::stol(last_text);
    if (a > b) std::swap(a, b);
    for (long n = a; n <= b && n - a < 1000; ++n)
        if (auto it = form.by_sjis_name.find(prefix + std::to_string(n)); it != form.by_sjis_name.end())
            out.push_back(it->second);
}

}  // namespace

std::vector<std::vector<std::size_t>> fields_to_show(const Form &form, Converter &conv) {
    (void)conv;
    std::vector<const char *> names;
    for (const FieldDef &f : form.fields) names.push_back(f.sjis_name.c_str());
    names.push_back(nullptr);
    std::vector<std::vector<std::size_t>> show(form.fields.size());
    std::vector<int32_t> listed(form.fields.size() + 1);
    for (std::size_t i = 0; i < form.fields.size(); ++i) {
        const FieldDef &def = form.fields[i];
        if (!def.check) continue;
        std::vector<std::size_t> &list = show[i];
        list.push_back(i);
        if (PPR_chkfld(listed.data(), names.data(), def.sjis_check.c_str()) == 0) {
            for (int32_t index : listed) {
                if (index < 0 || static_cast<std::size_t>(index) >= form.fields.size()) break;
                list.push_back(static_cast<std::size_t>(index));
            }
        }
        // Ranges are no names the listing knows; spell them out here.
        const std::string &text = def.sjis_check;
        bool quoted = false;
        for (std::size_t p = 0; p < text.size(); ++p) {
            if (text[p] == '\'') quoted = !quoted;
            if (quoted || text[p] != '[') continue;
            std::size_t close = text.find(']', p);
            if (close == std::string::npos) break;
            expand_range(form, text.substr(p + 1, close - p - 1), list);
            p = close;
        }
        std::vector<std::size_t> unique;
        for (std::size_t f : list)
            if (std::find(unique.begin(), unique.end(), f) == unique.end()) unique.push_back(f);
        list = std::move(unique);
    }
    return show;
}

}  // namespace talvhost
