// Finding table and memo files by name, ignoring the case of the file name.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dbf::detail {

// Table names are built from record text: only ASCII letters, digits and '_'
// name a table, so a name can never reach outside the table directory.
bool IsValidTableName(std::string_view name);

// The file names of one directory by lower-case name. The listing is reused
// while the directory's modification time stays the same (and is not too
// recent to trust), so opening a table once per record stays cheap.
class DirectoryIndex {
 public:
  // The name on disk of `fileName` (case-insensitive), "" when there is none.
  // Throws Error naming `tableName`, the directory and both files when two
  // files differ only in case, or when the directory cannot be read.
  std::string Find(const std::string& directory, std::string_view fileName,
                   const std::string& tableName);

 private:
  bool Refresh(const std::string& directory, bool force);
  std::string directory_;
  long long mtimeNs_ = -1;
  bool trusted_ = false;
  std::unordered_map<std::string, std::vector<std::string>> byLowerName_;
};

}  // namespace dbf::detail
