#include "columns.h"

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

}  // namespace talvhost
