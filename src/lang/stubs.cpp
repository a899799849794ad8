// Placeholders until the scanner and parser are generated.
#include "lang/frontend.h"

namespace talv {
bool scanner_reset() { return true; }
void scanner_delete_buffer() {}
int parse() { return 1; }
}  // namespace talv
