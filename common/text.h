// Small ASCII helpers the core and the front ends share: hexadecimal
// digits, letter case and blanks. Bytes 0x80 and above are never changed,
// so CP949 and UTF-8 text pass through whole.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ModMain {

// `value` as exactly `digits` hexadecimal digits ("0000ff2a"), upper case on request.
std::string HexDigits(std::uint64_t value, int digits, bool upper = false);

char AsciiUpper(char c);
char AsciiLower(char c);
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);

// `text` without the `blanks` at both ends.
std::string_view TrimBlanks(std::string_view text, std::string_view blanks = " ");
// True when `text` holds nothing but spaces.
inline bool IsBlank(std::string_view text) { return TrimBlanks(text).empty(); }

}  // namespace ModMain
