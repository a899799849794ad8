// Corrected results written back into the file they were read from: the
// rows of corrected forms are rewritten, every other byte is kept, so a file
// without corrections comes back as it was.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "input/encoding.h"
#include "input/form.h"

struct RowEdit {
    long line = 0;       // the form's first line
    long next_line = 0;  // the next form's first line; 0: the form is the last
    std::vector<std::pair<std::size_t, std::string>> values;  // field -> new text (UTF-8)
};

std::string write_corrected(const std::string &original, const std::vector<RowEdit> &rows,
                            const talvhost::Form &form, talvhost::Encoding encoding, bool jsonl,
                            talvhost::Converter &conv);
