// The journal's locks: single bytes of journal.log far past its end, which
// every program sharing the journal sees (and the system lets go of when a
// program dies, however it dies): open-file-description locks on POSIX,
// LockFileEx on Windows (dbf/os/file.h).
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "common/journal_file.h"

namespace ModMain {
namespace {

namespace os = dbf::os;

constexpr std::uint64_t kGuardByte = std::uint64_t{1} << 62;

// A byte of its own for every run, out of 2^40: two runs sharing one would
// only make the later wait as if the earlier were still going.
std::uint64_t RunByte(const std::string& runId) {
  std::uint64_t hash = 0xcbf29ce484222325u;  // FNV-1a
  for (unsigned char c : runId) hash = (hash ^ c) * 0x100000001b3u;
  return kGuardByte + 1 + hash % (std::uint64_t{1} << 40);
}

void Unlock(const os::File& file, std::uint64_t offset) {
  const std::uint64_t bytes[] = {offset};
  os::UnlockBytes(file.Native(), bytes);
}

}  // namespace

void JournalFile::LockGuard() {
  OpenForAppend();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (int waitMs = 1;; waitMs = std::min(waitMs * 2, 50)) {
    const int error = os::LockByte(file_.Native(), kGuardByte);
    if (error == 0) return;
    if ((error != EAGAIN && error != EINTR) || std::chrono::steady_clock::now() >= deadline)
      throw std::runtime_error("작업 기록 " + path_ + "을(를) 다른 프로그램이 오래 잠그고 있습니다. 잠시 뒤 다시 실행하십시오.");
    std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
  }
}

void JournalFile::UnlockGuard() {
  if (file_.IsOpen()) Unlock(file_, kGuardByte);
}

void JournalFile::LockRun(const std::string& runId) {
  OpenForAppend();
  if (os::LockByte(file_.Native(), RunByte(runId)) != 0)
    throw std::runtime_error("작업 기록 " + path_ + "을(를) 잠글 수 없습니다. 잠시 뒤 다시 실행하십시오.");
}

void JournalFile::UnlockRun(const std::string& runId) {
  if (file_.IsOpen()) Unlock(file_, RunByte(runId));
}

bool JournalFile::RunLocked(const std::string& runId) const {
  // An open of its own: this program's own lock shows too.
  os::File file;
  if (file.Open(path_, {.noFollow = true, .nonBlocking = true, .replaceable = true}) != 0) return false;
  return os::ByteLockedElsewhere(file.Native(), RunByte(runId));
}

}  // namespace ModMain
