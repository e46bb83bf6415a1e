#include "dbf/table_names.h"

#include <cerrno>
#include <chrono>

#include "dbf/ascii.h"
#include "dbf/messages.h"
#include "dbf/os/folders.h"

namespace dbf::detail {

bool IsValidTableName(std::string_view name) {
  if (name.empty() || name.size() > 200) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!ok) return false;
  }
  return true;
}


bool DirectoryIndex::Refresh(const std::string& directory, bool force) {
  os::FileFacts facts;
  if ((errno = os::PathFacts(directory, facts)) != 0) return false;
  const long long mtime = facts.modifiedSeconds * 1000000000LL + facts.modifiedNanoseconds;
  if (!force && trusted_ && directory == directory_ && mtime == mtimeNs_) return true;
  std::vector<std::string> names;
  if ((errno = os::ListFolder(directory, names)) != 0) return false;
  byLowerName_.clear();
  for (std::string& name : names) byLowerName_[ascii::Lower(name)].push_back(std::move(name));
  directory_ = directory;
  mtimeNs_ = mtime;
  // File times tick coarsely: a file made in the same tick as the listing
  // would not change the time again, so only trust listings of older times.
  const long long now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::system_clock::now().time_since_epoch()).count();
  trusted_ = now - mtime > 2000000000LL;
  return true;
}

std::string DirectoryIndex::Find(const std::string& directory, std::string_view fileName,
                                 const std::string& tableName) {
  const std::string key = ascii::Lower(fileName);
  for (int attempt = 0; attempt < 2; ++attempt) {
    // A miss in a reused listing is checked once more against a fresh one.
    if (!Refresh(directory, attempt == 1))
      Fail("테이블 폴더 " + directory + "을(를) 읽을 수 없습니다: " + SystemErrorText(errno) + ".");
    auto it = byLowerName_.find(key);
    if (it == byLowerName_.end()) continue;
    if (it->second.size() > 1)
      FailTable(tableName, "의 파일이 폴더 " + directory + "에 둘 있습니다: " + it->second[0] + ", " +
           it->second[1] + ". 이름이 대소문자만 다른 파일은 하나만 남기십시오.");
    return it->second.front();
  }
  return "";
}

}  // namespace dbf::detail
