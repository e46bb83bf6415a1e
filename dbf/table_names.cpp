#include "dbf/table_names.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <ctime>

#include "dbf/ascii.h"
#include "dbf/messages.h"

namespace dbf::detail {

bool IsValidTableName(std::string_view name) {
  if (name.empty() || name.size() > 200) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!ok) return false;
  }
  return true;
}

namespace {
long long ToNs(const timespec& t) { return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec; }
}  // namespace

bool DirectoryIndex::Refresh(const std::string& directory, bool force) {
  struct stat st {};
  if (::stat(directory.c_str(), &st) != 0) return false;
  const long long mtime = ToNs(st.st_mtim);
  if (!force && trusted_ && directory == directory_ && mtime == mtimeNs_) return true;
  DIR* dir = ::opendir(directory.c_str());
  if (!dir) return false;
  byLowerName_.clear();
  while (dirent* entry = ::readdir(dir)) byLowerName_[ascii::Lower(entry->d_name)].push_back(entry->d_name);
  ::closedir(dir);
  directory_ = directory;
  mtimeNs_ = mtime;
  // File times tick coarsely: a file made in the same tick as the listing
  // would not change the time again, so only trust listings of older times.
  timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  trusted_ = ToNs(now) - mtime > 2000000000LL;
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
