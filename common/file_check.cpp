#include "common/file_check.h"

#include <map>

#include "common/encoding.h"

namespace ModMain {

bool FindUtf8(const std::vector<std::string>& lines, FileCheck& check) {
  const bool mark = !lines.empty() && lines[0].rfind("\xEF\xBB\xBF", 0) == 0;
  bool nonAscii = false, utf8 = true;
  for (const std::string& line : lines) {
    for (unsigned char c : line) nonAscii = nonAscii || c >= 0x80;
    utf8 = utf8 && IsValidUtf8(line);
  }
  if (!mark && !(nonAscii && utf8)) return false;
  check.problems.push_back({0, "", "", std::string("파일이 UTF-8") + (mark ? " (BOM 포함)" : "") +
                                            "로 저장되어 있습니다. 내보내기 파일은 CP949(완성형 한글)여야 합니다. "
                                            "원래 시스템에서 다시 내보내거나 CP949로 바꾸어 저장하십시오."});
  return true;
}

int MismatchedRecordLength(const std::vector<std::string>& lines, int first, int last, int recordLength) {
  std::map<std::size_t, int> lengths;
  int other = 0;
  for (int i = first; i <= last; ++i) {
    const std::size_t length = lines[static_cast<std::size_t>(i)].size();
    if (length == static_cast<std::size_t>(recordLength)) continue;
    ++lengths[length];
    ++other;
  }
  if (2 * other <= last - first + 1) return 0;
  auto most = lengths.begin();
  for (auto it = lengths.begin(); it != lengths.end(); ++it)
    if (it->second > most->second) most = it;
  return static_cast<int>(most->first);
}

}  // namespace ModMain
