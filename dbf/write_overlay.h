// The writes of a check, held in memory in place of the file: every handle of
// the file on the checking connection reads them as if they were on disk, and
// the file itself is never changed.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "dbf/os/file.h"

namespace dbf::detail {

class WriteOverlay {
 public:
  explicit WriteOverlay(std::uint64_t diskSize) : size_(diskSize), diskLimit_(diskSize) {}
  // Holds bytes [offset, offset + size) as the disk has them now: later
  // changes of other programs there are not seen.
  void Keep(const os::File& file, std::uint64_t offset, std::uint64_t size);

  long Read(const os::File& file, std::uint64_t offset, void* buffer, std::size_t size) const;
  void Write(const os::File& file, std::uint64_t offset, const void* data, std::size_t size);
  std::uint64_t Size() const { return size_; }
  void Truncate(std::uint64_t size);

 private:
  static constexpr std::uint64_t kPage = 4096;
  // The page as the file would hold it now: written bytes, else the disk's
  // below the lowest truncation, else zeros.
  std::string Load(const os::File& file, std::uint64_t page) const;

  std::uint64_t size_;
  std::uint64_t diskLimit_;  // bytes from here on never come from the disk
  std::map<std::uint64_t, std::string> pages_;
};

}  // namespace dbf::detail
