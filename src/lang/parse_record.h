// Recorded parses.  Hosts evaluate the same few expressions over and over,
// and the steps the parser takes over a text depend on nothing but its
// tokens: the rules' actions can only end a parse early.  So the untraced
// parser runs without actions, recording its token reads, shifts and
// reductions up to acceptance or the syntax error, and the replay runs the
// rules in that order over a value stack of its own, stopping where a rule
// fails or the parser met the error.  A text met again skips its
// preparation, the scanner and the parser: its record is replayed.
//
// Operand tokens create their Symbols where the parser read them, so
// Symbols, allocations and host calls come in the order the evaluating
// parser made them.  "@" is recorded as such and takes the field being
// checked when it is replayed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lang/rule_actions.h"

namespace talv {

// --- Recording, driven by the untraced parser and the scanner.

// Runs the untraced parser over the prepared scanner input, recording its
// steps.  False when the scanner failed (scanner_failed()).
bool record_parse();
void record_begin();
// The scanner is asked for the next token: the previous one was shifted.
void record_token_start();
// The token the scanner gave, as the parser's lookahead: bytes 0x80..0xFF
// (negative) end the text.
int record_lookahead(int token);
// What the running scanner action gives the token's value.
void record_operand(const char *text, int kind);
void record_self_field();
void record_relop(int op);
// `lookahead`: the parser's lookahead at the reduction (yychar), the token
// read last while it is not yet shifted.
void record_reduce(Rule rule, int lookahead);
void record_end(bool accepted);

// Replays the parse just recorded: 0 accepted, 1 otherwise, as parse().
int replay_recorded();

// --- Records kept for texts met again (a bounded set).

struct ParseRecord;  // parse_cache.h

// A host's expression text as the records are looked up by.
struct RecordKey {
    uint64_t hash;
    std::size_t length;
    bool usable;  // false for a text too long to be evaluated
};
RecordKey record_key(const char *text);

const ParseRecord *find_parse_record(const RecordKey &key, const char *text);
// Keeps the record just made of `text`, whose preparation gave `prepared`
// (the same length), if it is complete and small enough.
void keep_parse_record(const RecordKey &key, const char *text, const char *prepared);
// The prepared text of the record's expression.
const char *prepared_text(const ParseRecord &record);
int replay_parse(const ParseRecord &record);

}  // namespace talv
