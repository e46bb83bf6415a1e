#include "dbf/code_page.h"

#include "dbf/dbf.h"

#include <iconv.h>

#include <cerrno>

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

}  // namespace detail

namespace {

// CP949 -> UTF-8 for display, one converter per thread (a run may be on a
// worker thread while the window converts too).
class DisplayConverter {
 public:
  DisplayConverter() : handle_(iconv_open("UTF-8", "CP949")) {}
  ~DisplayConverter() {
    if (handle_ != reinterpret_cast<iconv_t>(-1)) iconv_close(handle_);
  }
  DisplayConverter(const DisplayConverter&) = delete;
  DisplayConverter& operator=(const DisplayConverter&) = delete;

  // The UTF-8 text, each byte that starts no valid CP949 character shown as
  // U+FFFD alone (so an ASCII character after a bad lead byte survives); with
  // `firstInvalid`, stops at the first such byte and gives its offset there
  // (npos when there is none).
  std::string Run(std::string_view input, std::size_t* firstInvalid = nullptr) {
    std::string output;
    if (firstInvalid) *firstInvalid = std::string_view::npos;
    if (handle_ == reinterpret_cast<iconv_t>(-1)) return std::string(input);
    output.reserve(input.size() * 3 / 2 + 8);
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    char buffer[1024];
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
      char* out = buffer;
      std::size_t outLeft = sizeof buffer;
      std::size_t result = iconv(handle_, &in, &inLeft, &out, &outLeft);
      output.append(buffer, static_cast<std::size_t>(out - buffer));
      if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
      if (firstInvalid) {
        *firstInvalid = input.size() - inLeft;
        break;
      }
      output += "\xEF\xBF\xBD";
      ++in;
      --inLeft;
      iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    }
    return output;
  }

 private:
  iconv_t handle_;
};

bool IsAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

DisplayConverter& Converter() {
  thread_local DisplayConverter converter;
  return converter;
}

}  // namespace

std::string DisplayText(std::string_view cp949) {
  return IsAscii(cp949) ? std::string(cp949) : Converter().Run(cp949);
}

std::size_t FirstNonCp949Byte(std::string_view text) {
  if (IsAscii(text)) return std::string_view::npos;
  std::size_t invalid;
  Converter().Run(text, &invalid);
  return invalid;
}

}  // namespace dbf
