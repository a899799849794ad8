// Which field of the form each column of a results header holds, and what
// the header leaves out: the one place that knows which names are fields,
// which are unknown, repeated or the identifying column.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "input/diagnostics.h"
#include "input/encoding.h"
#include "input/form.h"

namespace talvhost {

struct ColumnName {
    std::string text;  // as the file has it (UTF-8 or CP932), blanks around it trimmed
    long column = 0;   // 1-based number of the column (not a byte offset)
    long byte = 0;     // 1-based byte where the name starts, for messages
};

struct ColumnMap {
    enum class Role { Field, Id, Kept, Unknown, Repeated, Unreadable };
    struct Column {
        Role role = Role::Unknown;
        std::size_t field = 0;      // Field, Repeated: the field it names
        long first = 0;             // Repeated: the column that named it first
        std::string shown;          // the name in UTF-8, for messages
        std::string problem;        // Unreadable: why
        std::size_t offset = 0;     // Unreadable: byte of the fault within the name
    };
    std::vector<Column> columns;
    std::vector<long> field_column;  // per field: the column holding it, 0 when none
    long id_column = 0;              // 0: none
    std::size_t fields_named = 0;

    // Fields of the form that no column holds.
    std::vector<std::size_t> missing() const;
};

// id_name: the identifying column (UTF-8), empty for none; keep: other
// columns that are known to be no fields (UTF-8).
ColumnMap map_columns(const std::vector<ColumnName> &names, const Form &form, const std::string &id_name,
                      const std::vector<std::string> &keep, Encoding encoding, Converter &conv);

// More unknown columns than this are counted in one message.
constexpr std::size_t kColumnsShown = 5;

// How the messages name the options a front end offers.
struct ColumnWords {
    const char *keep = "--keep it if it is meant";
    const char *id = "--id";
    const char *allow_missing = "--allow-missing reads a missing column as empty";
};

// Tells what the header holds besides fields: unknown and unreadable names
// (warned, unless ignore_unknown), a field named again, a missing id
// column.  line 0: the names come from no file line.
void report_columns(const ColumnMap &map, const std::vector<ColumnName> &names, const Form &form,
                    bool ignore_unknown, const std::string &id_name, const std::string &path, long line,
                    Diagnostics &diag, const ColumnWords &words = {});

// The checks that read a field the results have no column for, left out of
// the form (a copy the checker sees); names gets those fields' names.
// Returns how many checks that leaves out.
long leave_out_unread(Form &form, const std::vector<std::size_t> &missing, Converter &conv, std::string &names);

// What the results lack, in words, once per batch.
InputError missing_columns_error(const std::string &path, const Form &form, const std::string &names, long left_out,
                                 const ColumnWords &words = {});

}  // namespace talvhost
