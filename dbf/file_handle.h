// A table's file with whole reads and writes at offsets, the shared-use
// mark, and byte locks as xBase programs take them; the system's side is
// dbf/os/file.h.
#pragma once

#include <cerrno>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "dbf/os/file.h"

namespace dbf::detail {

class WriteOverlay;

// Open's answer for a table another program opened for exclusive use.
inline constexpr int kOpenExclusivelyElsewhere = EBUSY;

class FileHandle {
 public:
  FileHandle() = default;
  ~FileHandle();
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  FileHandle(FileHandle&& other) noexcept;
  FileHandle& operator=(FileHandle&& other) noexcept;

  // Opens read-write, or read-only when writing is not allowed. Returns errno
  // (0 on success; kOpenExclusivelyElsewhere for a table another program
  // opened for exclusive use, which Windows tells at the open). Never
  // creates the file.
  int Open(const std::string& path);
  void Close();
  bool IsOpen() const { return file_.IsOpen(); }
  bool Writable() const { return writable_; }
  const os::File& System() const { return file_; }

  // Reads up to `size` bytes; returns the count read (short at end of file),
  // or -1 with errno set.
  long ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const;
  // Writes all bytes; returns 0 or errno. `written` gets the count that did
  // reach the file, so a short write can be undone.
  int WriteAt(std::uint64_t offset, const void* data, std::size_t size,
              std::size_t* written = nullptr) const;
  // Current size, or -1 with errno set.
  long long Size() const;
  int Truncate(std::uint64_t size) const;
  // Marks the file as in shared use (flock LOCK_SH) for as long as it is open,
  // as xBase programs on Linux do. False when another program has it open
  // exclusively (holds LOCK_EX). On NFS and SMB mounts, and file systems
  // without flock, nothing is marked and the answer is true. On Windows the
  // share mode of the open is the mark.
  bool MarkSharedUse() const;
  // From now on writes go to `overlay` instead of the file (a check), and
  // reads and the size see them. Null: the file itself.
  void KeepWritesIn(std::shared_ptr<WriteOverlay> overlay) { overlay_ = std::move(overlay); }

 private:
  os::File file_;
  bool writable_ = false;
  std::shared_ptr<WriteOverlay> overlay_;
};

// Open-file-description write locks on single bytes, all of them or none.
// Closing another descriptor of the same file does not drop them.
class ByteLocks {
 public:
  // Takes the bytes in the order given. When one is held by another program,
  // lets go of those taken and tries again, backing off from 1 ms to 100 ms,
  // for about five seconds in all; then returns false holding none.
  bool Acquire(const FileHandle& file, std::span<const std::uint64_t> offsets);
  void Release();
  bool Held() const { return !held_.empty(); }
  ~ByteLocks() { Release(); }

 private:
  os::NativeFile file_ = -1;
  std::vector<std::uint64_t> held_;
};

}  // namespace dbf::detail
