// Text conversion between code pages: glibc's iconv on POSIX
// (text_posix.cpp), MultiByteToWideChar/WideCharToMultiByte on Windows
// (text_win32.cpp). Code pages are named as iconv names them ("CP949",
// "UTF-8", "CP1252", "MACINTOSH", ...).
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace dbf::os {

// False when some character has no representation in `to`, is no character
// of `from`, or a code page is unknown: stored data is never substituted.
bool ConvertText(std::string_view text, const std::string& from, const std::string& to, std::string& out);

// What each CP949 two-byte pair means, indexed lead << 8 | trail: the one
// UTF-16 unit the pair decodes to whole, 0 when it is no character. Only
// pairs for which `asked(lead, trail)` holds are decoded. Both systems give
// the same table: a pair one of them maps into the Private Use Area
// (U+E000-U+F8FF, the user-defined rows Windows maps and glibc refuses) is
// no character on both.
using Cp949PairTable = std::array<char16_t, 0x10000>;
void DecodeCp949Pairs(Cp949PairTable& table, bool (*asked)(unsigned char lead, unsigned char trail));

}  // namespace dbf::os
