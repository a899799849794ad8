// length, first and blank: tests on a text read in full width, where a
// half-width blank and the ideographic space are the same character.
#include "builtins/builtins.h"

namespace talv {

namespace {

constexpr unsigned char kBlankLead = 0x81, kBlankTrail = 0x40;   // full-width blank

// The one STRING argument of a text test, normalised.
struct TextArgument {
    Symbol *zero = nullptr;       // error carrier, and blank's result
    Symbol *text = nullptr;       // the resolved STRING
    char wide[TALV_SYMBOL_TEXT + 4] = {};
};

// False when the call must answer with `answer` instead (an error, or null
// when memory ran out).
bool open_text_argument(Symbol *head, TextArgument &arg, Symbol *&answer) {
    answer = arg.zero = make_zero();
    if (!arg.zero) return false;
    if (count_list(head) != 1) {
        argument_error(arg.zero);
        return false;
    }
    Symbol *resolved = eval_symbol(head->next);
    if (!resolved || resolved->status >= 2) {
        answer = resolved;
        return false;
    }
    if (resolved->kind != TALV_STRING) {
        argument_error(arg.zero);
        return false;
    }
    arg.text = resolved;
    // A control character ends the text; what came before it still counts.
    (void)to_sjis_code(resolved->text, arg.wide);
    return true;
}

// Visits each character with its 1-based position; a lone trailing byte
// counts as a character of its own.
template <typename Visit>
void for_each_char(const char *wide, Visit visit) {
    const unsigned char *p = reinterpret_cast<const unsigned char *>(wide);
    for (int position = 1; *p; ++position) {
        bool blank = p[0] == kBlankLead && p[1] == kBlankTrail;
        if (!visit(position, blank)) return;
        p += p[1] ? 2 : 1;
    }
}

}  // namespace

Symbol *builtin_length(Symbol *head) {
    TextArgument arg;
    Symbol *answer = nullptr;
    if (!open_text_argument(head, arg, answer)) return answer;
    int32_t count = 0;
    for_each_char(arg.wide, [&](int, bool blank) {
        if (!blank) ++count;
        return true;
    });
    return long_to_symbol(count);
}

Symbol *builtin_first(Symbol *head) {
    TextArgument arg;
    Symbol *answer = nullptr;
    if (!open_text_argument(head, arg, answer)) return answer;
    int32_t first = 0;
    for_each_char(arg.wide, [&](int position, bool blank) {
        if (blank) return true;
        first = position;
        return false;
    });
    return long_to_symbol(first);
}

Symbol *builtin_blank(Symbol *head) {
    TextArgument arg;
    Symbol *answer = nullptr;
    if (!open_text_argument(head, arg, answer)) return answer;
    bool all_blank_text = true;
    for_each_char(arg.wide, [&](int, bool blank) {
        all_blank_text = blank;
        return blank;
    });
    copy_value(arg.zero, arg.text);
    arg.zero->status = all_blank_text ? 0 : 1;
    arg.zero->code = 0;
    return arg.zero;
}

}  // namespace talv
