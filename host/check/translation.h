// The command's English rendering of the library's messages (--lang en).
// The library answers in Japanese only; the translation table is the host's,
// kept beside the catalogue as resources/messages.en.txt and compiled in.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "input/encoding.h"
#include "talvechk.h"

namespace talvhost {

enum class Language { Japanese, English };

// Process-wide: every message the host words from now on.
void set_message_language(Language language);
Language message_language();
// "ja" or "en"; nullopt for anything else.
std::optional<Language> language_named(std::string_view name);

// A catalogue file's entries, key to text with "\n" and "\\" resolved.
// Throws std::invalid_argument naming the line of a malformed entry.
std::map<std::string, std::string> parse_catalogue(std::string_view text);

// Whether the library has a text of its own for the code (its id is in the
// catalogue, or it is one of the codes answered by a fixed text).
bool message_known(uint32_t code);

// The English text the library's message functions would give in Japanese:
// with a null name as for a bare code ("%s" left empty), otherwise as for a
// certify result record carrying that name.
std::string english_message(uint32_t code, const char *name);

// Message text of a code in UTF-8, in the message language, or a stand-in
// when the library has none.
std::string library_message(Converter &conv, uint32_t code);
// The same for a certify result record (its text names the culprit).
std::string record_message(Converter &conv, const PPR_CERTIFY_RESULT &record);

// A code as every report writes it, "90000006".
std::string hex_code(uint32_t code);
// The out-code, and the return value too when the call itself was refused:
// "90000006" or "F00000FF, return 00000008".
std::string code_words(uint32_t out, uint32_t ret);

}  // namespace talvhost
