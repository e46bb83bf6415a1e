// Files and folders by name: facts, listings, folders made, files renamed,
// removed and synced. POSIX in folders_posix.cpp, Windows in
// folders_win32.cpp. Paths are UTF-8; errors are errno values.
#pragma once

#include <string>
#include <vector>

#include "dbf/os/file.h"

namespace dbf::os {

// The facts of the file or folder a path names, following links: 0 or errno.
int PathFacts(const std::string& path, FileFacts& facts);
// 0 when `path` is a folder whose names can be listed, else errno.
int OpenableFolder(const std::string& path);
// The names in a folder ("." and ".." among them on POSIX): 0 or errno.
int ListFolder(const std::string& path, std::vector<std::string>& names);
// One folder, readable and writable by its owner only on POSIX: 0, EEXIST
// when it is there already, else errno.
int MakeFolder(const std::string& path);
// Renames `from` to `to`, replacing `to`: 0 or errno.
int RenameReplacing(const std::string& from, const std::string& to);
int RemoveFile(const std::string& path);
// Writes what the system holds of a file's data to its disk, whichever
// handle wrote it: 0 or errno.
int SyncFileData(const std::string& path);
// The absolute path with links resolved; "" when it cannot be found.
std::string RealPath(const std::string& path);
// True when anyone at all may make files in the folder (POSIX: writable by
// others; Windows: its access list lets Everyone, Users, Authenticated Users
// or anonymous logons write), or when that cannot be told.
bool FolderOpenToEveryone(const std::string& path);
// What separates a path's folders: "/"; on Windows "/\\" (either).
extern const char kPathSeparators[];
// `path` without separators at its end; a root ("/", "C:\") stays whole.
std::string WithoutTrailingSeparators(std::string path);
// `name` in `folder`, joined by the system's own separator ("\" on Windows)
// unless `folder` ends in a separator.
std::string JoinPath(const std::string& folder, const std::string& name);
// The last part of a path: what follows its last separator.
inline std::string FileNameOf(const std::string& path) {
  const std::size_t separator = path.find_last_of(kPathSeparators);
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace dbf::os
