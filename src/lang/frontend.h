// The scanner and the evaluating parser as the entry points drive them.
#pragma once

namespace talv {

// The slots of the parser's stacks, the start state's included: 500 entries
// must fit, and the parser reports the overflow as soon as its last slot is
// filled.  The replay's value stack mirrors the parser's slot for slot, so
// it needs no more.
constexpr int kParserStackDepth = 501;

// Empties the scanner's buffer (creating it on first use) so that nothing an
// earlier evaluation left unread is seen again.  Returns false when the
// buffer cannot be allocated.
bool scanner_reset();
// Before a replay, which reads nothing: the buffer is made as an evaluation
// would make it, if there is none.  False when it cannot be allocated.
bool scanner_ready();
// Frees the scanner's buffer; the next reset creates a new one.
void scanner_delete_buffer();
// Runs `body` (the parse) with the scanner's fatal conditions caught once
// for the whole run instead of once per token: such a condition ends the
// run at once with 1, discards the scanner's state and leaves
// scanner_failed() true.  Nothing between the parse and the scanner holds
// anything a jump past it would have to release.
int run_with_scanner_guard(int (*body)());
// Parses and evaluates the prepared scanner input: 0 accepted, 1 otherwise.
// Sets g_state.result_word through the rule actions.  The parse is recorded
// and then replayed (parse_record.h); the record stays for keep_parse_record.
int parse();
// The same parse, reporting every step to the trace (the grammar compiled a
// second time with token locations).
int parse_traced();

}  // namespace talv
