#include "dbf/code_page.h"

#include "dbf/dbf.h"

#include "dbf/os/text.h"

namespace dbf {
namespace detail {

std::string CodePageForMark(std::uint8_t mark) {
  switch (mark) {
    case 0x00:
    case 0x79:  // Visual FoxPro's mark for 949
    case 0x4E:  // dBASE language driver for 949
    case 0x57:  // "current ANSI": the Korean systems' ANSI code page is 949
      return "";
    case 0x01: return "CP437";
    case 0x02: return "CP850";
    case 0x03: return "CP1252";
    case 0x04: return "MACINTOSH";
    case 0x64: return "CP852";
    case 0x65: return "CP866";
    case 0x66: return "CP865";
    case 0x67: return "CP861";
    case 0x6A: return "CP737";
    case 0x6B: return "CP857";
    case 0x78: return "CP950";
    case 0x7A: return "CP936";
    case 0x7B: return "CP932";
    case 0x7C: return "CP874";
    case 0x7D: return "CP1255";
    case 0x7E: return "CP1256";
    case 0xC8: return "CP1250";
    case 0xC9: return "CP1251";
    case 0xCA: return "CP1254";
    case 0xCB: return "CP1253";
    case 0x96: return "MAC-CYRILLIC";
    case 0x97: return "MAC-CENTRALEUROPE";
    case 0x98: return "MACGREEK";
    case 0x13: return "CP932";
    case 0x4D: return "CP936";
    case 0x4F: return "CP950";
    case 0x50: return "CP874";
    case 0x58:
    case 0x59: return "CP1252";
    default: return "?";  // an unknown mark: text columns cannot be converted
  }
}

bool ConvertText(std::string_view text, const std::string& from, const std::string& to, std::string& out) {
  return os::ConvertText(text, from, to, out);
}

}  // namespace detail

}  // namespace dbf
