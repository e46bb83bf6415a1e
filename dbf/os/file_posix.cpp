// Files on POSIX: descriptors, pread/pwrite, open-file-description locks.
#include "dbf/os/file.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "dbf/os/stat_facts_posix.h"

namespace dbf::os {
namespace {

int Fd(std::intptr_t native) { return static_cast<int>(native); }

int SetByteLock(int fd, std::uint64_t offset, std::uint64_t length, short type, int command = F_OFD_SETLK) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
  return ::fcntl(fd, command, &lock);
}

}  // namespace

int File::Open(const std::string& path, const OpenFlags& flags) {
  Close();
  int mode = (flags.write ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  if (flags.appendOnly) mode = O_WRONLY | O_APPEND | O_CLOEXEC;
  if (flags.create) mode |= O_CREAT;
  if (flags.exclusive) mode |= O_EXCL;
  if (flags.noFollow) mode |= O_NOFOLLOW;
  if (flags.nonBlocking) mode |= O_NONBLOCK;
  const int fd = ::open(path.c_str(), mode, flags.permissions);
  if (fd < 0) return errno;
  native_ = fd;
  return 0;
}

int File::Close() {
  const int error = native_ != -1 && ::close(Fd(native_)) != 0 ? errno : 0;
  native_ = -1;
  return error;
}

long File::Read(void* buffer, std::size_t size) const {
  ssize_t n;
  do n = ::read(Fd(native_), buffer, size);
  while (n < 0 && errno == EINTR);
  return static_cast<long>(n);
}

long File::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(Fd(native_), static_cast<char*>(buffer) + done, size - done, offset + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += n;
  }
  return static_cast<long>(done);
}

int File::WriteAt(std::uint64_t offset, const void* data, std::size_t size, std::size_t* written) const {
  std::size_t done = 0;
  int error = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(Fd(native_), static_cast<const char*>(data) + done, size - done, offset + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    if (n == 0) {
      error = ENOSPC;
      break;
    }
    done += n;
  }
  if (written) *written = done;
  return error;
}

int File::Append(const void* data, std::size_t size) const {
  ssize_t written;
  do written = ::write(Fd(native_), data, size);
  while (written < 0 && errno == EINTR);
  if (written == static_cast<ssize_t>(size)) return 0;
  return written < 0 ? errno : ENOSPC;
}

long long File::Size() const {
  struct stat st {};
  if (::fstat(Fd(native_), &st) != 0) return -1;
  return st.st_size;
}

int File::Truncate(std::uint64_t size) const {
  return ::ftruncate(Fd(native_), static_cast<off_t>(size)) == 0 ? 0 : errno;
}

int File::SyncData() const { return ::fdatasync(Fd(native_)) == 0 ? 0 : errno; }

int File::Facts(FileFacts& facts) const {
  struct stat st {};
  if (::fstat(Fd(native_), &st) != 0) return errno;
  facts = FactsOfStat(st);
  return 0;
}

bool File::OwnedByUser() const {
  struct stat st {};
  return ::fstat(Fd(native_), &st) == 0 && st.st_uid == ::geteuid();
}

bool File::MarkSharedUse() const {
  // NFS and SMB clients turn flock into a byte-range lock over the whole file
  // that every client sees, and SMB's are mandatory: a shared one would stop
  // the other programs writing the table. There the mark is not taken.
  struct statfs fs {};
  if (::fstatfs(Fd(native_), &fs) == 0) {
    switch (static_cast<unsigned long>(fs.f_type) & 0xFFFFFFFFul) {
      case NFS_SUPER_MAGIC: case SMB_SUPER_MAGIC: case CIFS_SUPER_MAGIC: case SMB2_SUPER_MAGIC: return true;
    }
  }
  return ::flock(Fd(native_), LOCK_SH | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

int LockByte(NativeFile file, std::uint64_t offset) {
  if (SetByteLock(Fd(file), offset, 1, F_WRLCK) == 0) return 0;
  return errno == EACCES ? EAGAIN : errno;
}

void UnlockBytes(NativeFile file, std::span<const std::uint64_t> offsets) {
  if (offsets.empty()) return;
  // One unlock over the span: bytes in it that this description does not
  // hold stay as they are, so this lets go of exactly the ones taken.
  const auto [low, high] = std::minmax_element(offsets.begin(), offsets.end());
  SetByteLock(Fd(file), *low, *high - *low + 1, F_UNLCK);
}

bool ByteLockedElsewhere(NativeFile file, std::uint64_t offset) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = 1;
  return ::fcntl(Fd(file), F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

}  // namespace dbf::os
