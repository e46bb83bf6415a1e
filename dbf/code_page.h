// Code page of a table's text columns, from the code page mark (header byte 29),
// and the text conversions of the layer (iconv, or Windows' own).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dbf::detail {

// The iconv name of the table's code page (Windows takes its number), or "" when text is stored as the
// CP949 bytes it is given (mark 0, 0x79 or 0x4E).
std::string CodePageForMark(std::uint8_t mark);

// Converts `text` from one code page to another. Returns false when some
// character has no representation or the system lacks a code page: stored data is
// never substituted.
bool ConvertText(std::string_view text, const std::string& from, const std::string& to, std::string& out);

}  // namespace dbf::detail
