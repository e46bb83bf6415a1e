// CP949 <-> UTF-8. Record and table texts stay CP949 bytes in the core; texts
// for the front ends are UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace ModMain {

// For display: bytes that are not valid CP949 become U+FFFD.
std::string Cp949ToUtf8(std::string_view cp949);
// Throws std::runtime_error for text CP949 cannot represent.
std::string Utf8ToCp949(std::string_view utf8);
// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);
// A file name as text: UTF-8 when the bytes are valid UTF-8, else decoded
// from CP949 (names made on an old Korean Windows system).
std::string DecodeFileName(std::string_view nameBytes);
// The text with backslash, tab, LF and CR written as \\, \t, \n, \r, so it
// stays one field of one tab-separated line (the list output, the journal).
std::string EscapeForLine(std::string_view text);
// Length in bytes of the CP949 character that starts with this byte (1 or 2).
inline int Cp949CharLength(unsigned char lead) { return (lead >= 0x81 && lead <= 0xFE) ? 2 : 1; }

}  // namespace ModMain
