// One rule for every text the command writes, whatever its format: nothing
// from the input reaches a terminal or a reader of the output raw.  A
// control character (C0, DEL, C1 such as U+009B, which a terminal takes for
// CSI) and a byte that is no UTF-8 are written as escapes; every other
// character stands as it is.  visible() (encoding.h) is the rule for text;
// these apply it to text of several lines and to JSON.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace talvhost {

// visible() of each line; the line breaks between them kept.
std::string visible_lines(std::string_view text);

// One JSON text: a byte that is no UTF-8 becomes U+FFFD, and DEL and the C1
// controls are escaped as \u007f and \u0080..\u009f (the JSON library
// escapes the C0 ones and leaves these raw).
std::string json_text(const nlohmann::ordered_json &j);

// A CSV cell that a spreadsheet would take for a formula (it begins with =,
// +, -, @, a tab or a carriage return) behind an apostrophe, which makes it
// text; a plain number such as -100 or +1.5 stays a number.
std::string formula_guarded(std::string text);

}  // namespace talvhost
