// Text helpers for ASCII that never consult the locale: case folds, blank
// trims and hexadecimal digits. Bytes from 0x80 up are left as they are, so
// CP949 lead bytes never change; a caller that must not fold a trail byte
// (which may be a Latin letter) skips double-byte characters itself.
#pragma once

#include <string>
#include <string_view>

namespace dbf::ascii {

constexpr char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
std::string Upper(std::string_view text);
std::string Lower(std::string_view text);
bool EqualIgnoringCase(std::string_view a, std::string_view b);

// What a trim removes: spaces, or spaces and NULs (the padding of fields
// that may hold either).
inline constexpr std::string_view kSpaces = " ";
inline constexpr std::string_view kSpacesAndNuls{" \0", 2};
std::string_view TrimRight(std::string_view text, std::string_view blanks = kSpaces);
std::string_view TrimLeft(std::string_view text, std::string_view blanks = kSpaces);
std::string_view Trim(std::string_view text, std::string_view blanks = kSpaces);

// Two hexadecimal digits per byte: "4F41", or "4f41" in lower case.
enum class HexCase { kUpper, kLower };
std::string HexDigits(std::string_view bytes, HexCase letters = HexCase::kUpper);
// One byte as messages name it: "0x4F".
std::string HexByte(unsigned char byte);

}  // namespace dbf::ascii
