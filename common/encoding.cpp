// CP949 <-> UTF-8. Display text follows the table layer's one rule for bytes
// that are not CP949.
#include "common/encoding.h"

#include <cstdint>
#include <stdexcept>

#include "dbf/code_page.h"
#include "dbf/dbf.h"

namespace ModMain {

std::string Cp949ToUtf8(std::string_view cp949) { return dbf::DisplayText(cp949); }

std::string Utf8ToCp949(std::string_view utf8) {
  std::string out;
  if (!dbf::detail::ConvertText(utf8, "UTF-8", "CP949", out))
    throw std::runtime_error("'" + std::string(utf8) + "'에 CP949로 나타낼 수 없는 문자가 있습니다.");
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int length;
    std::uint32_t codePoint;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
      codePoint = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      codePoint = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      codePoint = c & 0x07;
    } else {
      return false;
    }
    if (i + length > n) return false;
    for (int k = 1; k < length; ++k) {
      unsigned char t = static_cast<unsigned char>(bytes[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      codePoint = (codePoint << 6) | (t & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000) ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) {
      return false;
    }
    i += length;
  }
  return true;
}

}  // namespace ModMain

namespace ModMain {

std::string EscapeForLine(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\': escaped += "\\\\"; break;
      case '\t': escaped += "\\t"; break;
      case '\n': escaped += "\\n"; break;
      case '\r': escaped += "\\r"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string DecodeFileName(std::string_view nameBytes) {
  if (IsValidUtf8(nameBytes)) return std::string(nameBytes);
  return Cp949ToUtf8(nameBytes);
}

}  // namespace ModMain
