// CP949 <-> UTF-8 through glibc's iconv. Each thread keeps its own converter
// pair, so imports on a worker thread never share one.
#include "common/encoding.h"

#include <cerrno>
#include <cstdint>
#include <iconv.h>
#include <stdexcept>

namespace ModMain {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {
    if (handle_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("문자 변환기를 만들 수 없습니다: ") + from + " -> " + to);
    }
  }
  ~Converter() { iconv_close(handle_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts `input`; on a byte sequence it cannot take, calls
  // onBad(output, input position) which returns how many input bytes to skip.
  template <typename OnBad>
  std::string Run(std::string_view input, OnBad onBad) {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
    std::string output;
    output.reserve(input.size() * 3 / 2 + 8);
    char buffer[1024];
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
      char* out = buffer;
      std::size_t outLeft = sizeof buffer;
      std::size_t result = iconv(handle_, &in, &inLeft, &out, &outLeft);
      output.append(buffer, static_cast<std::size_t>(out - buffer));
      if (result != static_cast<std::size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (incomplete sequence at the end)
      std::size_t position = input.size() - inLeft;
      std::size_t skip = onBad(output, position);
      if (skip == 0 || skip > inLeft) skip = inLeft;
      in += skip;
      inLeft -= skip;
      iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    }
    return output;
  }

 private:
  iconv_t handle_;
};

Converter& FromCp949() {
  thread_local Converter converter("UTF-8", "CP949");
  return converter;
}

Converter& ToCp949() {
  thread_local Converter converter("CP949", "UTF-8");
  return converter;
}

bool IsAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::string Cp949ToUtf8(std::string_view cp949) {
  if (IsAscii(cp949)) return std::string(cp949);
  return FromCp949().Run(cp949, [&](std::string& output, std::size_t position) -> std::size_t {
    output += "\xEF\xBF\xBD";  // U+FFFD
    // A lead byte with a bad trail byte: drop the lead only, so an ASCII
    // character after it survives.
    (void)position;
    return 1;
  });
}

std::string Utf8ToCp949(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  return ToCp949().Run(utf8, [&](std::string&, std::size_t position) -> std::size_t {
    throw std::runtime_error("'" + std::string(utf8) + "'의 " + std::to_string(position + 1) +
                             "번째 바이트에서 CP949로 나타낼 수 없는 문자가 있습니다.");
  });
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
