#include "common/text.h"

namespace ModMain {

std::string HexDigits(std::uint64_t value, int digits, bool upper) {
  const char* hex = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string text(static_cast<std::size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = hex[value & 0xF];
  return text;
}

}  // namespace ModMain
