#include "dbf/os/text.h"

#include <iconv.h>

#include <cerrno>

namespace dbf::os {

bool ConvertText(std::string_view text, const std::string& from, const std::string& to, std::string& out) {
  out.clear();
  if (text.empty()) return true;
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char buffer[512];
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  bool ok = true;
  while (ok && inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, outPtr - buffer);
    ok = rc != static_cast<size_t>(-1) || errno == E2BIG;
  }
  if (ok) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, outPtr - buffer);
  }
  iconv_close(cd);
  return ok;
}

void DecodeCp949Pairs(Cp949PairTable& table, bool (*asked)(unsigned char, unsigned char)) {
  table.fill(0);
  iconv_t cd = iconv_open("UTF-16LE", "CP949");
  if (cd == reinterpret_cast<iconv_t>(-1)) return;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x41; trail <= 0xFE; ++trail) {
      if (!asked(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail))) continue;
      char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      char unit[4];
      char* in = pair;
      char* out = unit;
      std::size_t inLeft = 2, outLeft = sizeof unit;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      const std::size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
      // Exactly one UTF-16 unit from exactly both bytes, or no character.
      if (result == static_cast<std::size_t>(-1) || inLeft != 0 || outLeft != sizeof unit - 2) continue;
      const auto decoded =
          static_cast<char16_t>(static_cast<unsigned char>(unit[0]) | static_cast<unsigned char>(unit[1]) << 8);
      if (decoded < 0xE000 || decoded > 0xF8FF) table[lead << 8 | trail] = decoded;
    }
  }
  iconv_close(cd);
}

}  // namespace dbf::os
