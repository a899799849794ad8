// A results file cut into blocks that readers of their own can check apart
// (Dask workers, the command's workers): a block starts where a form
// starts as the file's one reader would read it, never inside a quoted
// cell, and the CSV header travels with every block.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/results.h"

namespace talvhost {

// The first place at or after `at` where a form (or a blank line before
// one) starts, reading forms from `from`, which is such a place, and
// where the file's one reader has read nothing past it yet (to find that a
// quoted cell is not closed it reads on), so that a block's reader says
// what that one would.
// bytes.size() when no form starts there.  nullopt when the bytes end
// before that can be told and more of the file follows them (!final).
std::optional<std::size_t> next_form_boundary(std::string_view bytes, const BlockLayout &layout, std::size_t from,
                                              std::size_t at, bool final);

struct ResultsBlock {
    std::uint64_t offset = 0, length = 0;
    long lines_before = 0;  // lines of the file before the block
};

struct BlockPlan {
    BlockLayout layout;
    std::string header;  // CSV: the header line as the reader takes it
    std::vector<ResultsBlock> blocks;  // one at least, empty when the file has no forms
};

// Reads the header (its faults thrown as by open_results) and cuts the
// forms after it into blocks of about target bytes (more where one form is
// longer).
BlockPlan plan_blocks(const std::string &path, const Form &form, const ReadOptions &opts, Converter &conv,
                      std::uint64_t target);

// A reader of one block, numbering lines as the whole file does and forms
// from 1.
std::unique_ptr<FormReader> open_block(const std::string &path, const BlockPlan &plan, const ResultsBlock &block,
                                       const Form &form, const ReadOptions &opts, Converter &conv, Diagnostics &diag);

// A reader of a block held in memory: bytes cut at form boundaries from
// the forms of the file named path after lines_before lines.  CSV: the
// header is layout.header.
std::unique_ptr<FormReader> open_block_bytes(const std::string &path, const BlockLayout &layout, std::string bytes,
                                             long lines_before, const Form &form, const ReadOptions &opts,
                                             Converter &conv, Diagnostics &diag);

}  // namespace talvhost
