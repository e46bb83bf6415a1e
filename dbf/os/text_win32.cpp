#include "dbf/os/text.h"

#include <windows.h>

#include <map>

namespace dbf::os {
namespace {

// The Windows code page of an iconv name; 0 when there is none.
UINT WindowsCodePage(const std::string& name) {
  static const std::map<std::string, UINT> kNamed = {
      {"UTF-8", CP_UTF8}, {"MACINTOSH", 10000}, {"MAC-CYRILLIC", 10007},
      {"MAC-CENTRALEUROPE", 10029}, {"MACGREEK", 10006}};
  if (const auto it = kNamed.find(name); it != kNamed.end()) return it->second;
  if (name.size() > 2 && name.compare(0, 2, "CP") == 0) {
    UINT page = 0;
    for (std::size_t i = 2; i < name.size(); ++i) {
      if (name[i] < '0' || name[i] > '9') return 0;
      page = page * 10 + static_cast<UINT>(name[i] - '0');
    }
    return IsValidCodePage(page) ? page : 0;
  }
  return 0;
}

bool ToWide(std::string_view text, UINT page, std::wstring& wide) {
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (length <= 0) return false;
  wide.assign(static_cast<std::size_t>(length), L'\0');
  return MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), length) == length;
}

bool FromWide(const std::wstring& wide, UINT page, std::string& out) {
  const int size = static_cast<int>(wide.size());
  // UTF-8 refuses lone surrogates; the other pages say when a character had
  // to be replaced, and never take a best fit.
  const DWORD flags = page == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL replaced = FALSE;
  BOOL* usedDefault = page == CP_UTF8 ? nullptr : &replaced;
  const int length = WideCharToMultiByte(page, flags, wide.data(), size, nullptr, 0, nullptr, usedDefault);
  if (length <= 0 || replaced) return false;
  out.assign(static_cast<std::size_t>(length), '\0');
  return WideCharToMultiByte(page, flags, wide.data(), size, out.data(), length, nullptr, usedDefault) == length &&
         !replaced;
}

}  // namespace

bool ConvertText(std::string_view text, const std::string& from, const std::string& to, std::string& out) {
  out.clear();
  if (text.empty()) return true;
  const UINT fromPage = WindowsCodePage(from), toPage = WindowsCodePage(to);
  std::wstring wide;
  if (fromPage == 0 || toPage == 0 || !ToWide(text, fromPage, wide)) return false;
  // CP949's user-defined rows, which Windows maps to the Private Use Area,
  // are no characters: glibc refuses the same pairs, both ways.
  if (fromPage == 949 || toPage == 949)
    for (wchar_t c : wide)
      if (c >= 0xE000 && c <= 0xF8FF) return false;
  return FromWide(wide, toPage, out);
}

void DecodeCp949Pairs(Cp949PairTable& table, bool (*asked)(unsigned char, unsigned char)) {
  table.fill(0);
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x41; trail <= 0xFE; ++trail) {
      if (!asked(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail))) continue;
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      wchar_t unit[2];
      if (MultiByteToWideChar(949, MB_ERR_INVALID_CHARS, pair, 2, unit, 2) != 1) continue;
      if (unit[0] < 0xE000 || unit[0] > 0xF8FF) table[lead << 8 | trail] = static_cast<char16_t>(unit[0]);
    }
  }
}

}  // namespace dbf::os
