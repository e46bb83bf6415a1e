// Code page of a table's text columns, from the code page mark (header byte 29).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dbf::detail {

// The iconv name of the table's code page, or "" when text is stored as the
// CP949 bytes it is given (mark 0, 0x79 or 0x4E).
std::string CodePageForMark(std::uint8_t mark);

// What a conversion does with a byte it cannot convert.
enum class InvalidBytes {
  kFail,        // stored data: the conversion fails, nothing is substituted
  kQuestionMark // messages only: a '?' stands in and the conversion goes on
};

// Converts between CP949 and `codePage`. Returns false when some character
// has no representation (with InvalidBytes::kFail) or iconv lacks a code page.
bool ConvertText(std::string_view text, const std::string& from, const std::string& to,
                 std::string& out, InvalidBytes invalid = InvalidBytes::kFail);

}  // namespace dbf::detail
