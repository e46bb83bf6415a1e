#include <cstdlib>
#include <stdexcept>

#include "common/journal_file.h"

namespace ModMain {

std::string DefaultJournalDirectory() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return std::string(state) + "/dbfimport";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.local/state/dbfimport";
  throw std::runtime_error("작업 기록을 둘 폴더를 알 수 없습니다 (HOME이 없습니다). --journal로 폴더를 지정하십시오.");
}

}  // namespace ModMain
