#include "dbf/file_handle.h"

#include "dbf/write_overlay.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

namespace dbf::detail {

FileHandle::~FileHandle() { Close(); }

FileHandle::FileHandle(FileHandle&& other) noexcept
    : file_(std::move(other.file_)), writable_(other.writable_), overlay_(std::move(other.overlay_)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    file_ = std::move(other.file_);
    writable_ = other.writable_;
    overlay_ = std::move(other.overlay_);
  }
  return *this;
}

int FileHandle::Open(const std::string& path) {
  Close();
  int error = file_.Open(path, {.write = true});
  writable_ = error == 0;
  if (error == EACCES || error == EROFS || error == EPERM) error = file_.Open(path, {});
  if (error) return error;
  os::FileFacts facts;
  if (file_.Facts(facts) != 0 || facts.kind != os::FileFacts::Kind::kRegular) {
    Close();
    return EISDIR;
  }
  return 0;
}

void FileHandle::Close() {
  file_.Close();
  writable_ = false;
  overlay_.reset();
}

long FileHandle::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const {
  if (overlay_) return overlay_->Read(file_, offset, buffer, size);
  return file_.ReadAt(offset, buffer, size);
}

int FileHandle::WriteAt(std::uint64_t offset, const void* data, std::size_t size,
                        std::size_t* written) const {
  if (overlay_) {
    overlay_->Write(file_, offset, data, size);
    if (written) *written = size;
    return 0;
  }
  return file_.WriteAt(offset, data, size, written);
}

long long FileHandle::Size() const {
  if (overlay_) return static_cast<long long>(overlay_->Size());
  return file_.Size();
}

int FileHandle::Truncate(std::uint64_t size) const {
  if (overlay_) return overlay_->Truncate(size), 0;
  return file_.Truncate(size);
}

bool FileHandle::MarkSharedUse() const { return file_.MarkSharedUse(); }

bool ByteLocks::Acquire(const FileHandle& file, std::span<const std::uint64_t> offsets) {
  Release();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (int waitMs = 1;; waitMs = std::min(waitMs * 2, 100)) {
    file_ = file.System().Native();
    int error = 0;
    for (std::uint64_t offset : offsets) {
      if ((error = os::LockByte(file_, offset)) != 0) break;
      held_.push_back(offset);
    }
    if (held_.size() == offsets.size()) return true;
    Release();  // holding some bytes while waiting for another would block their programs
    if ((error != EAGAIN && error != EINTR) || std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
  }
}

void ByteLocks::Release() {
  if (!held_.empty()) os::UnlockBytes(file_, held_);
  held_.clear();
  file_ = -1;
}

}  // namespace dbf::detail
