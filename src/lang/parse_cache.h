// The state of recorded parses (parse_record.h): the record being made and
// the records kept for texts met again.  Types only; the evaluation state
// holds the one instance.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lang/replay_steps.h"
#include "talvechk.h"

namespace talv {

// Room for the parse of any text that may be evaluated.  Of n <= 512 tokens
// before the end at most n are shifted; the reductions build a tree over
// them with at most n - 1 nodes of two or more children and at most three
// unit nodes above each node (operand, statement, statements), and the end
// token, the outcome and slack make the rest.
constexpr std::size_t kMostTokens = TALV_MAX_EXPR;
constexpr std::size_t kScratchSteps = 9 * (kMostTokens + 1) + 8;
constexpr std::size_t kScratchText = 2 * (kMostTokens + 1);  // operand texts with their NULs

struct ParseScratch {
    Step steps[kScratchSteps];
    char texts[kScratchText];
    std::size_t step_count;
    std::size_t text_used;
    std::ptrdiff_t depth;  // values on the parser's stack as the steps so far leave it
    bool pending;          // a token was read and not yet shifted
    int lookahead;         // the token read last
    bool broken;           // the steps ran out of room or out of step with the parser
    bool complete;
};

// The kept records: four ways to each of sixteen sets, the way used longest
// ago making room.  When that way was used lately, texts are met in turns,
// more than the set holds: the new record then enters as the longest unused,
// so that they do not push each other out in turn and the other ways keep
// the texts met again.  A record that does not fit its arena is replayed
// once and not kept.
constexpr std::size_t kRecordSets = 16;
constexpr std::size_t kRecordWays = 4;
constexpr std::size_t kRecordArena = 1536 - 32;

struct ParseRecord {
    uint64_t hash;
    uint32_t used;         // the lookup clock when it was last found
    uint16_t length;       // of the text
    uint16_t step_count;
    bool valid;
    // The steps, then the host's text, the prepared text and the operand
    // texts, each with its NUL.
    alignas(Step) unsigned char arena[kRecordArena];

    const Step *steps() const { return reinterpret_cast<const Step *>(arena); }
    const char *key() const { return reinterpret_cast<const char *>(arena) + step_count * sizeof(Step); }
    const char *prepared() const { return key() + length + 1; }
    const char *texts() const { return prepared() + length + 1; }
};

struct ParseCache {
    ParseScratch scratch;
    ParseRecord records[kRecordSets][kRecordWays];
    uint32_t clock;
};

}  // namespace talv
