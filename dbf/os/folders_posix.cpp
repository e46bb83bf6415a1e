#include "dbf/os/folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "dbf/os/stat_facts_posix.h"

namespace dbf::os {

const char kPathSeparators[] = "/";

int PathFacts(const std::string& path, FileFacts& facts) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno;
  facts = FactsOfStat(st);
  return 0;
}

int OpenableFolder(const std::string& path) {
  DIR* handle = ::opendir(path.c_str());
  if (!handle) return errno;
  ::closedir(handle);
  return 0;
}

int ListFolder(const std::string& path, std::vector<std::string>& names) {
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return errno;
  while (dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
  ::closedir(dir);
  return 0;
}

int MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0700) == 0 ? 0 : errno; }

int RenameReplacing(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

int SyncFileData(const std::string& path) {
  // fdatasync works on the file, whichever descriptor names it.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  const int error = ::fdatasync(fd) == 0 ? 0 : errno;
  ::close(fd);
  return error;
}

std::string RealPath(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return "";
  std::string resolved(real);
  std::free(real);
  return resolved;
}

bool FolderOpenToEveryone(const std::string& path) {
  struct stat folder {};
  return ::stat(path.c_str(), &folder) != 0 || (folder.st_mode & S_IWOTH);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + '/' + name;
}

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace dbf::os
