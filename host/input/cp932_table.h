// CP932 codes and Unicode code points, by tables generated at build time
// from iconv (host/tables/gen_cp932_table.cpp): no call into iconv per
// character, and every build converts alike.
#pragma once

namespace talvhost::cp932 {

// A code is one byte, or a lead byte << 8 | its trail byte.
bool is_lead_byte(unsigned char b);
// The code point of a code other than 0; false when the code is no character.
bool decode(unsigned code, char32_t &cp);
// The code of a code point other than 0; false when CP932 has none.
bool encode(char32_t cp, unsigned &code);

}  // namespace talvhost::cp932
