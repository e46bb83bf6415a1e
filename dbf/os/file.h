// An open file of the operating system, as the table layer, the journal and
// the loader use one. One implementation for POSIX (file_posix.cpp) and one
// for Windows (file_win32.cpp), chosen at build time. Paths are UTF-8 (wide
// UTF-16 at the Windows boundary); errors are errno values on both systems,
// Windows errors mapped to the nearest one, so every message reads the same.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace dbf::os {

// A descriptor, or a HANDLE: what the byte locks below are taken on.
using NativeFile = std::intptr_t;

struct OpenFlags {
  bool write = false;        // read-write; else read-only
  bool appendOnly = false;   // with write: every write goes whole to the end (the journal)
  bool create = false;       // made when missing
  bool exclusive = false;    // with create: fails with EEXIST when it exists
  bool noFollow = false;     // a symbolic link (on Windows any reparse point) fails with ELOOP
  bool nonBlocking = false;  // a FIFO without a writer cannot hang the open
  // Windows: other programs may rename a file over this one while it is open
  // (FILE_SHARE_DELETE). Tables are opened without it, as xBase programs do.
  bool replaceable = false;
  unsigned permissions = 0666;  // of a new file, before the umask (POSIX)
};

// What the system says of a file: its kind, size, modification time and the
// identity that tells a replaced file from the same one.
struct FileFacts {
  enum class Kind { kRegular, kDirectory, kOther } kind = Kind::kOther;
  std::uint64_t size = 0;
  std::int64_t modifiedSeconds = 0;
  long modifiedNanoseconds = 0;
  std::uint64_t device = 0;  // POSIX st_dev; Windows the volume's serial number
  std::uint64_t number = 0;  // POSIX st_ino; Windows the file index
};

class File {
 public:
  File() = default;
  ~File() { Close(); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept : native_(std::exchange(other.native_, -1)) {}
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      Close();
      native_ = std::exchange(other.native_, -1);
    }
    return *this;
  }

  // 0 or errno. A table opened for exclusive use by another program is
  // EBUSY on Windows (a sharing violation).
  int Open(const std::string& path, const OpenFlags& flags);
  int Close();  // 0 or errno
  bool IsOpen() const { return native_ != -1; }
  NativeFile Native() const { return native_; }

  // One read at the file's position: the count read (0 at its end, fewer
  // than asked at any time), or -1 with errno set.
  long Read(void* buffer, std::size_t size) const;
  // Reads up to `size` bytes: the count read (short only at the end of the
  // file), or -1 with errno set.
  long ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const;
  // Writes all bytes: 0 or errno. `written` gets the count that reached the
  // file, so a short write can be undone.
  int WriteAt(std::uint64_t offset, const void* data, std::size_t size, std::size_t* written = nullptr) const;
  // One write at the end of an append-only file: 0 when every byte went,
  // else errno (ENOSPC for a short write).
  int Append(const void* data, std::size_t size) const;
  long long Size() const;  // -1 with errno set
  int Truncate(std::uint64_t size) const;
  int SyncData() const;
  int Facts(FileFacts& facts) const;
  // True when the file belongs to the user running the program (the
  // journal's trust rule).
  bool OwnedByUser() const;

  // The shared-use mark xBase programs honour: POSIX flock(LOCK_SH), not
  // taken on NFS and SMB mounts; false when another program holds the file
  // exclusively. Windows: the share mode of the open is the mark, so true.
  bool MarkSharedUse() const;

 private:
  NativeFile native_ = -1;
};

// Byte locks, exclusive, one byte each, never waiting: 0, EAGAIN when
// another open of the file (this program's included) holds it, else errno.
// POSIX: open-file-description locks; Windows: LockFileEx. They are taken on
// the native file, so a lock outlives the move of its File.
int LockByte(NativeFile file, std::uint64_t offset);
// Lets go of the bytes among `offsets` this open of the file holds.
void UnlockBytes(NativeFile file, std::span<const std::uint64_t> offsets);
// True when another open of the file holds the byte.
bool ByteLockedElsewhere(NativeFile file, std::uint64_t offset);

}  // namespace dbf::os
