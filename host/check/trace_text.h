// The library's evaluation trace as the host keeps and words it: collect
// the steps of an evaluation into owned records, then print them one a line
// with the expression piece underlined, or as JSON.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "input/encoding.h"
#include "talvechk_trace.h"

namespace talvhost {

// One TALV_TRACE_EVENT, its texts copied (CP932 as the library gave them).
struct TraceStep {
    uint32_t kind = 0;
    uint32_t start = 0, length = 0;
    int32_t status = 0;
    uint32_t code = 0;
    uint32_t left_start = 0, left_length = 0, right_start = 0, right_length = 0;
    std::string name, text, value, left, right;
    // What the library says about why (empty from a library too old to).
    uint32_t why_part = 0;
    uint32_t culprit_start = 0, culprit_length = 0, culprit_argument = 0;
    std::string why, difference, culprit, culprit_text;
};

// Installs the trace for its lifetime and keeps every step of the
// evaluations run meanwhile.  One at a time: the trace is process-wide.
class TraceCollector {
public:
    // keep: the steps kept at most; the ones after are only counted, so
    // that one long evaluation cannot take memory without bound.
    explicit TraceCollector(std::size_t keep = SIZE_MAX);
    ~TraceCollector();
    TraceCollector(const TraceCollector &) = delete;
    TraceCollector &operator=(const TraceCollector &) = delete;

    const std::vector<TraceStep> &steps() const { return steps_; }
    std::vector<TraceStep> take() { return std::move(steps_); }
    // Steps past the kept ones.
    std::size_t dropped() const { return dropped_; }

private:
    static void record(uintptr_t context, const TALV_TRACE_EVENT *event);
    std::vector<TraceStep> steps_;
    std::size_t keep_;
    std::size_t dropped_ = 0;
};

// "field", "operator", "comparison", "logical", "call", "assignment",
// "statement", "syntax error".
const char *trace_kind_word(uint32_t kind);

// Columns the CP932 bytes [0, n) of `sjis` take on a terminal: two-byte
// characters two, everything else one.
std::size_t display_columns(const std::string &sjis, std::size_t n);

// The expression as one display line (tabs and line feeds as blanks), UTF-8.
std::string display_expression(const std::string &expr_sjis, Converter &conv);

// Blanks, then "^" under every column of the span (one "^" for a place),
// aligned with display_expression.
std::string underline(const std::string &expr_sjis, uint32_t start, uint32_t length);

// What the step found, in words (UTF-8), e.g. "3000 == 3001 → false".
std::string describe_step(const TraceStep &step, const std::string &expr_sjis, Converter &conv);

// The whole trace: the expression, then one line per step with its
// underline and description.  Each line starts with `indent`.
std::string trace_text(const std::vector<TraceStep> &steps, const std::string &expr_sjis, Converter &conv,
                       const std::string &indent);

// The steps as structured data: kind, piece, start, length and the texts.
nlohmann::ordered_json trace_json(const std::vector<TraceStep> &steps, const std::string &expr_sjis,
                                  Converter &conv);

}  // namespace talvhost
