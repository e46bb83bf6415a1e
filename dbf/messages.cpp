#include "dbf/messages.h"

#include <cerrno>
#include <cstring>

namespace dbf::detail {

std::string MessageText(std::string_view cp949) { return DisplayText(cp949); }

}  // namespace dbf::detail

namespace dbf {

std::string SystemErrorText(int error) {
  switch (error) {
    case ENOENT: return "파일이나 폴더가 없습니다";
    case ENOTDIR: return "폴더가 아닙니다";
    case EISDIR: return "파일이 아니라 폴더입니다";
    case EACCES:
    case EPERM: return "접근 권한이 없습니다";
    case EROFS: return "읽기 전용 파일 시스템입니다";
    case ENOSPC: return "디스크 공간이 부족합니다";
#ifdef EDQUOT  // no quotas on Windows
    case EDQUOT: return "디스크 할당량을 넘었습니다";
#endif
    case EFBIG: return "파일 크기 한도를 넘었습니다";
    case ENAMETOOLONG: return "이름이 너무 깁니다";
    case EIO: return "입출력 오류가 났습니다";
    case EBUSY: return "다른 프로그램이 사용하고 있습니다";
    case EMFILE:
    case ENFILE: return "열린 파일이 너무 많습니다";
    default: return std::string("시스템 오류: ") + std::strerror(error);
  }
}

}  // namespace dbf

namespace dbf::detail {

void Fail(const std::string& utf8Message) { throw Error(utf8Message); }

void FailTable(std::string_view table, std::string_view rest) {
  Fail("테이블 " + MessageText(table) + std::string(rest));
}

void FailMemo(std::string_view table, std::string_view memoPath, std::string_view rest) {
  FailTable(table, "의 메모 파일 " + std::string(memoPath) + std::string(rest));
}

std::string ColumnValueSubject(std::string_view table, std::string_view column, std::string_view valueCp949) {
  return "테이블 " + MessageText(table) + "의 열 " + MessageText(column) + "에 값 '" + MessageText(valueCp949) + "'";
}

}  // namespace dbf::detail
