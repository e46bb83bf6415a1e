// The journal's locks: open-file-description locks on single bytes of
// journal.log far past its end, which every program sharing the journal
// sees (and the system lets go of when a program dies, however it dies).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "common/journal_file.h"

namespace ModMain {
namespace {

constexpr std::uint64_t kGuardByte = std::uint64_t{1} << 62;

// A byte of its own for every run, out of 2^40: two runs sharing one would
// only make the later wait as if the earlier were still going.
std::uint64_t RunByte(const std::string& runId) {
  std::uint64_t hash = 0xcbf29ce484222325u;  // FNV-1a
  for (unsigned char c : runId) hash = (hash ^ c) * 0x100000001b3u;
  return kGuardByte + 1 + hash % (std::uint64_t{1} << 40);
}

struct flock ByteLock(std::uint64_t offset, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = 1;
  return lock;
}

bool SetLock(int fd, std::uint64_t offset, short type) {
  struct flock lock = ByteLock(offset, type);
  return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

}  // namespace

void JournalFile::LockGuard() {
  OpenForAppend();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (int waitMs = 1; !SetLock(fd_, kGuardByte, F_WRLCK); waitMs = std::min(waitMs * 2, 50)) {
    if ((errno != EAGAIN && errno != EACCES && errno != EINTR) || std::chrono::steady_clock::now() >= deadline)
      throw std::runtime_error("작업 기록 " + path_ + "을(를) 다른 프로그램이 오래 잠그고 있습니다. 잠시 뒤 다시 실행하십시오.");
    std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
  }
}

void JournalFile::UnlockGuard() {
  if (fd_ >= 0) SetLock(fd_, kGuardByte, F_UNLCK);
}

void JournalFile::LockRun(const std::string& runId) {
  OpenForAppend();
  if (!SetLock(fd_, RunByte(runId), F_WRLCK))
    throw std::runtime_error("작업 기록 " + path_ + "을(를) 잠글 수 없습니다. 잠시 뒤 다시 실행하십시오.");
}

void JournalFile::UnlockRun(const std::string& runId) {
  if (fd_ >= 0) SetLock(fd_, RunByte(runId), F_UNLCK);
}

bool JournalFile::RunLocked(const std::string& runId) const {
  // A description of its own: this program's own lock shows too.
  const int fd = ::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock lock = ByteLock(RunByte(runId), F_WRLCK);
  const bool held = ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
  ::close(fd);
  return held;
}

}  // namespace ModMain
