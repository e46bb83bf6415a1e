#include "dbf/file_handle.h"

#include "dbf/write_overlay.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

namespace dbf::detail {

FileHandle::~FileHandle() { Close(); }

FileHandle::FileHandle(FileHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), writable_(other.writable_), overlay_(std::move(other.overlay_)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    writable_ = other.writable_;
    overlay_ = std::move(other.overlay_);
  }
  return *this;
}

int FileHandle::Open(const std::string& path) {
  Close();
  fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  writable_ = fd_ >= 0;
  if (fd_ < 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return errno;
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    Close();
    return EISDIR;
  }
  return 0;
}

void FileHandle::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  writable_ = false;
  overlay_.reset();
}

long FileHandle::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const {
  if (overlay_) return overlay_->Read(fd_, offset, buffer, size);
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + done, size - done, offset + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += n;
  }
  return static_cast<long>(done);
}

int FileHandle::WriteAt(std::uint64_t offset, const void* data, std::size_t size,
                        std::size_t* written) const {
  if (overlay_) {
    overlay_->Write(fd_, offset, data, size);
    if (written) *written = size;
    return 0;
  }
  std::size_t done = 0;
  int error = 0;
  while (done < size) {
    ssize_t n = ::pwrite(fd_, static_cast<const char*>(data) + done, size - done, offset + done);
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

long long FileHandle::Size() const {
  if (overlay_) return static_cast<long long>(overlay_->Size());
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

int FileHandle::Truncate(std::uint64_t size) const {
  if (overlay_) return overlay_->Truncate(size), 0;
  return ::ftruncate(fd_, static_cast<off_t>(size)) == 0 ? 0 : errno;
}

bool FileHandle::MarkSharedUse() const {
  // NFS and SMB clients turn flock into a byte-range lock over the whole file
  // that every client sees, and SMB's are mandatory: a shared one would stop
  // the other programs writing the table. There the mark is not taken.
  struct statfs fs {};
  if (::fstatfs(fd_, &fs) == 0) {
    switch (static_cast<unsigned long>(fs.f_type) & 0xFFFFFFFFul) {
      case NFS_SUPER_MAGIC: case SMB_SUPER_MAGIC: case CIFS_SUPER_MAGIC: case SMB2_SUPER_MAGIC: return true;
    }
  }
  return ::flock(fd_, LOCK_SH | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

namespace {

int SetByteLock(int fd, std::uint64_t offset, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = 1;
  return ::fcntl(fd, F_OFD_SETLK, &lock);
}

}  // namespace

bool ByteLocks::Acquire(const FileHandle& file, std::span<const std::uint64_t> offsets) {
  Release();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (int waitMs = 1;; waitMs = std::min(waitMs * 2, 100)) {
    fd_ = file.Descriptor();
    for (std::uint64_t offset : offsets) {
      if (SetByteLock(fd_, offset, F_WRLCK) != 0) break;
      held_.push_back(offset);
    }
    if (held_.size() == offsets.size()) return true;
    const int error = errno;
    Release();  // holding some bytes while waiting for another would block their programs
    if ((error != EAGAIN && error != EACCES && error != EINTR) || std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
  }
}

void ByteLocks::Release() {
  if (!held_.empty()) {
    // One unlock over the span: bytes in it that this description does not
    // hold stay as they are, so this lets go of exactly the ones taken.
    const auto [low, high] = std::minmax_element(held_.begin(), held_.end());
    struct flock lock {};
    lock.l_type = F_UNLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(*low);
    lock.l_len = static_cast<off_t>(*high - *low + 1);
    ::fcntl(fd_, F_OFD_SETLK, &lock);
  }
  held_.clear();
  fd_ = -1;
}

}  // namespace dbf::detail
