#include "dbf/messages.h"

#include <iconv.h>

#include <cstring>

namespace dbf::detail {

std::string MessageText(std::string_view cp949) {
  iconv_t cd = iconv_open("UTF-8", "CP949");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(cp949);
  std::string out;
  char buffer[256];
  char* in = const_cast<char*>(cp949.data());
  size_t inLeft = cp949.size();
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, outPtr - buffer);
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      // A byte that is not CP949: show a stand-in and go on.
      out.push_back('?');
      ++in;
      --inLeft;
    }
  }
  iconv_close(cd);
  return out;
}

std::string SystemErrorText(int error) {
  switch (error) {
    case ENOSPC: return "디스크 공간이 부족합니다";
    case EFBIG: return "파일 크기 한도를 넘었습니다";
    case EACCES:
    case EPERM: return "접근 권한이 없습니다";
    case EROFS: return "읽기 전용 파일 시스템입니다";
    case ENOENT: return "파일이 없습니다";
    case EIO: return "입출력 오류가 났습니다";
    case EDQUOT: return "디스크 할당량을 넘었습니다";
    default: return std::string("시스템 오류: ") + std::strerror(error);
  }
}

void Fail(const std::string& utf8Message) { throw Error(utf8Message); }

}  // namespace dbf::detail
