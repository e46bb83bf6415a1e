#include <cstdlib>
#include <stdexcept>

#include "common/journal_file.h"
#include "dbf/os/wide_win32.h"

namespace ModMain {

std::string DefaultJournalDirectory() {
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  if (local && local[0] != L'\0') return dbf::os::Utf8(local) + "\\dbfimport";
  throw std::runtime_error("작업 기록을 둘 폴더를 알 수 없습니다 (LOCALAPPDATA가 없습니다). --journal로 폴더를 지정하십시오.");
}

}  // namespace ModMain
