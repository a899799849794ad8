// The token streams of expressions scanned before.  Hosts evaluate the same
// few expressions over and over; the stream the scanner makes of a text
// depends on nothing but that text, so a text met again is replayed rather
// than scanned.  Operand tokens still create their Symbols as the
// scanner's actions do, one by one as the parser asks for them, so Symbols,
// allocations and their order stay as they were.  The traced parser always
// scans.
#pragma once

#include <cstddef>

#include "lang/tokens.h"

namespace talv {

// At the start of an untraced parse of the prepared scanner input: true
// when its stream is known and will be replayed, false when the scanner is
// to run (and its stream is noted for next time).
bool token_cache_open(const char *text, std::size_t length);
// The next token of the replay; the same token value effects as the scanner's.
int token_cache_replay(TokenValue *value);
bool token_cache_replaying();

// While noting: the token the scanner returned, with what its action did
// (an operand's text, the self-field reference, a relational operator).
void token_cache_note_operand(const char *text, int kind);
void token_cache_note_self_field();
void token_cache_note_relop(int op);
void token_cache_note_token(int token);

// At the end of the parse, however it ended: a stream noted up to its end
// is kept.
void token_cache_close();

}  // namespace talv
