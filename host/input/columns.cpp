#include "input/columns.h"

#include <fmt/format.h>

#include "input/check_reads.h"

namespace talvhost {

std::vector<std::size_t> ColumnMap::missing() const {
    std::vector<std::size_t> out;
    for (std::size_t f = 0; f < field_column.size(); ++f)
        if (field_column[f] == 0) out.push_back(f);
    return out;
}

ColumnMap map_columns(const std::vector<ColumnName> &names, const Form &form, const std::string &id_name,
                      const std::vector<std::string> &keep, Encoding encoding, Converter &conv) {
    ColumnMap map;
    map.field_column.assign(form.fields.size(), 0);
    std::string id_sjis;
    if (!id_name.empty()) id_sjis = conv.to_cp932(id_name);
    for (const ColumnName &name : names) {
        ColumnMap::Column col;
        std::string sjis;
        try {
            sjis = conv.import(name.text, encoding);
        } catch (const TextError &e) {
            col.role = ColumnMap::Role::Unreadable;
            col.problem = e.what();
            col.offset = e.offset;
            map.columns.push_back(std::move(col));
            continue;
        }
        col.shown = conv.to_utf8(sjis);
        auto it = form.by_sjis_name.find(sjis);
        if (!id_sjis.empty() && sjis == id_sjis && map.id_column == 0) {
            col.role = ColumnMap::Role::Id;
            map.id_column = name.column;
        } else if (it == form.by_sjis_name.end()) {
            bool kept = false;
            for (const std::string &k : keep) kept |= k == col.shown;
            col.role = kept ? ColumnMap::Role::Kept : ColumnMap::Role::Unknown;
        } else if (long first = map.field_column[it->second]; first != 0) {
            col.role = ColumnMap::Role::Repeated;
            col.field = it->second;
            col.first = first;
        } else {
            col.role = ColumnMap::Role::Field;
            col.field = it->second;
            map.field_column[it->second] = name.column;
            ++map.fields_named;
        }
        map.columns.push_back(std::move(col));
    }
    return map;
}

void report_columns(const ColumnMap &map_, const std::vector<ColumnName> &names, const Form &form_,
                    bool ignore_unknown, const std::string &id_name, const std::string &path_, long line,
                    Diagnostics &diag_, const ColumnWords &words) {
    std::size_t unknown = 0;
    for (std::size_t c = 0; c < names.size(); ++c) {
        const ColumnMap::Column &col = map_.columns[c];
        Place at{path_, line, names[c].byte, {}};
        switch (col.role) {
        case ColumnMap::Role::Unknown:
        case ColumnMap::Role::Unreadable:
            // A column of its own (a scan's file name, a batch number) costs
            // no form, so it is only said; a name that cannot be read may
            // be a field in the wrong encoding.
            if (col.role == ColumnMap::Role::Unknown && ignore_unknown) break;
            if (++unknown > kColumnsShown) break;
            if (col.role == ColumnMap::Role::Unreadable) {
                at.column += static_cast<long>(col.offset);
                diag_.error(InputError(at, fmt::format("header: {}; the column is ignored", col.problem)));
            } else {
                diag_.warning(InputError(at, fmt::format("unknown field \"{}\" (not in {}); the column is ignored "
                                                         "({})",
                                                         col.shown, form_.path, words.keep)));
            }
            break;
        case ColumnMap::Role::Repeated:
            diag_.error(InputError(at, fmt::format("field \"{}\" named again (first in column {}); column {} is "
                                                   "ignored",
                                                   col.shown, map_.field_column[col.field], c + 1)));
            break;
        case ColumnMap::Role::Field:
        case ColumnMap::Role::Id:
        case ColumnMap::Role::Kept:
            break;
        }
    }
    if (unknown > kColumnsShown)
        diag_.warning(InputError(Place{path_, line, 0, {}},
                               fmt::format("{} more columns name no field of {} (the first {} are named above); "
                                           "they are ignored",
                                           unknown - kColumnsShown, form_.path, kColumnsShown)));
    if (!id_name.empty() && map_.id_column == 0)
        diag_.error(InputError(Place{path_, line, 0, {}},
                               fmt::format("no column \"{}\" for {}", id_name, words.id)));
}

long leave_out_unread(Form &form, const std::vector<std::size_t> &missing, Converter &conv, std::string &names) {
    if (missing.empty()) return 0;
    std::vector<bool> absent(form.fields.size());
    for (std::size_t f : missing) absent[f] = true;
    std::vector<bool> named(form.fields.size());
    long left_out = 0;
    auto reads = fields_to_show(form, conv);
    for (std::size_t i = 0; i < form.fields.size(); ++i) {
        if (!form.fields[i].check) continue;
        bool blind = false;
        for (std::size_t f : reads[i])
            if (absent[f]) blind = named[f] = true;
        if (!blind) continue;
        form.fields[i].check.reset();
        form.fields[i].sjis_check.clear();
        ++left_out;
    }
    for (std::size_t f = 0; f < form.fields.size(); ++f)
        if (named[f]) names += fmt::format("{}{}", names.empty() ? "" : ", ", form.fields[f].name);
    return left_out;
}

InputError missing_columns_error(const std::string &path, const Form &form, const std::string &names, long left_out,
                                 const ColumnWords &words) {
    return InputError(Place{path, 0, 0, {}},
                      fmt::format("no column for {} of {}; the {} check{} reading {} {} not made on any form ({})",
                                  names, form.path, left_out, left_out == 1 ? "" : "s",
                                  names.find(',') == std::string::npos ? "it" : "them",
                                  left_out == 1 ? "is" : "are", words.allow_missing));
}

}  // namespace talvhost
