// A file descriptor with whole reads and writes at offsets, and the
// FoxPro-compatible header lock.
#pragma once

#include <cstdint>
#include <string>

namespace dbf::detail {

class FileHandle {
 public:
  FileHandle() = default;
  ~FileHandle();
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  FileHandle(FileHandle&& other) noexcept;
  FileHandle& operator=(FileHandle&& other) noexcept;

  // Opens read-write, or read-only when writing is not allowed. Returns errno
  // (0 on success). Never creates the file.
  int Open(const std::string& path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  bool Writable() const { return writable_; }
  int Descriptor() const { return fd_; }

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

 private:
  int fd_ = -1;
  bool writable_ = false;
};

// FoxPro locks the table header at this byte ("record 0") for every append,
// record n at the byte n below it, and a .cdx at the same byte of its own file
// while it changes the index.
inline constexpr std::uint64_t kHeaderLockOffset = 0x7FFFFFFE;
inline constexpr std::uint64_t RecordLockOffset(std::uint32_t recordNumber) {
  return kHeaderLockOffset - recordNumber;
}
inline constexpr std::uint64_t kIndexLockOffset = 0x7FFFFFFE;

// Holds an open-file-description write lock on one byte, taken with bounded
// retries (about five seconds in all). Closing another descriptor of the same
// file does not drop it.
class ByteLock {
 public:
  // Returns false when another holder kept the byte for the whole wait.
  bool Acquire(const FileHandle& file, std::uint64_t offset);
  void Release();
  ~ByteLock() { Release(); }

 private:
  int fd_ = -1;
  std::uint64_t offset_ = 0;
};

}  // namespace dbf::detail
