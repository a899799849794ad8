// The scanner and the evaluating parser as the entry points drive them.
#pragma once

namespace talv {

// Empties the scanner's buffer (creating it on first use) so that nothing an
// earlier evaluation left unread is seen again.  Returns false when the
// buffer cannot be allocated.
bool scanner_reset();
// Frees the scanner's buffer; the next reset creates a new one.
void scanner_delete_buffer();
// Parses and evaluates the prepared scanner input: 0 accepted, 1 otherwise.
// Sets g_state.result_word through the rule actions.
int parse();
// The same parse, reporting every step to the trace (the grammar compiled a
// second time with token locations).
int parse_traced();

}  // namespace talv
