// Files on Windows: wide-named handles shared for reading and writing, as
// xBase programs open a table for shared use; ReadFile/WriteFile at offsets;
// LockFileEx on the same bytes the other programs lock.
#include "dbf/os/file.h"

#include <aclapi.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>

#include "dbf/os/wide_win32.h"

namespace dbf::os {
namespace {

HANDLE H(std::intptr_t native) { return reinterpret_cast<HANDLE>(native); }

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

// One read or write call takes at most this much.
constexpr std::size_t kMaxChunk = 1u << 30;

}  // namespace

int File::Open(const std::string& path, const OpenFlags& flags) {
  Close();
  DWORD access = GENERIC_READ | (flags.write ? GENERIC_WRITE : 0);
  // Append only: without FILE_WRITE_DATA every write goes to the end whole.
  // Read access stays, which LockFileEx needs.
  if (flags.appendOnly) access = FILE_GENERIC_READ | FILE_APPEND_DATA;
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | (flags.replaceable ? FILE_SHARE_DELETE : 0);
  const DWORD disposition = flags.create ? (flags.exclusive ? CREATE_NEW : OPEN_ALWAYS) : OPEN_EXISTING;
  // Backup semantics open a folder too, so that it is named as one.
  DWORD attributes = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS;
  if (flags.noFollow) attributes |= FILE_FLAG_OPEN_REPARSE_POINT;
  const HANDLE handle = CreateFileW(Wide(path).c_str(), access, share, nullptr, disposition, attributes, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastErrno();
  native_ = reinterpret_cast<std::intptr_t>(handle);
  BY_HANDLE_FILE_INFORMATION info{};
  if (flags.noFollow && GetFileInformationByHandle(handle, &info) &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    Close();
    return errno = ELOOP;
  }
  return 0;
}

int File::Close() {
  const int error = native_ != -1 && !CloseHandle(H(native_)) ? LastErrno() : 0;
  native_ = -1;
  return error;
}

long File::Read(void* buffer, std::size_t size) const {
  DWORD n = 0;
  if (ReadFile(H(native_), buffer, static_cast<DWORD>(std::min(size, kMaxChunk)), &n, nullptr)) return n;
  if (GetLastError() == ERROR_HANDLE_EOF || GetLastError() == ERROR_BROKEN_PIPE) return 0;
  LastErrno();
  return -1;
}

long File::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const {
  std::size_t done = 0;
  while (done < size) {
    OVERLAPPED at = At(offset + done);
    DWORD n = 0;
    const DWORD chunk = static_cast<DWORD>(std::min(size - done, kMaxChunk));
    if (!ReadFile(H(native_), static_cast<char*>(buffer) + done, chunk, &n, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      LastErrno();
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
    OVERLAPPED at = At(offset + done);
    DWORD n = 0;
    const DWORD chunk = static_cast<DWORD>(std::min(size - done, kMaxChunk));
    if (!WriteFile(H(native_), static_cast<const char*>(data) + done, chunk, &n, &at)) {
      error = LastErrno();
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
  DWORD n = 0;
  if (!WriteFile(H(native_), data, static_cast<DWORD>(size), &n, nullptr)) return LastErrno();
  return n == size ? 0 : ENOSPC;
}

long long File::Size() const {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(H(native_), &size)) return LastErrno(), -1;
  return size.QuadPart;
}

int File::Truncate(std::uint64_t size) const {
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  return SetFileInformationByHandle(H(native_), FileEndOfFileInfo, &end, sizeof end) ? 0 : LastErrno();
}

int File::SyncData() const { return FlushFileBuffers(H(native_)) ? 0 : LastErrno(); }

int FactsOfHandle(HANDLE handle, FileFacts& facts) {
  BY_HANDLE_FILE_INFORMATION info{};
  const DWORD type = GetFileType(handle);
  if (type != FILE_TYPE_DISK) {
    facts = {};
    facts.kind = FileFacts::Kind::kOther;  // a pipe, a console, a device
    return 0;
  }
  if (!GetFileInformationByHandle(handle, &info)) return LastErrno();
  facts.kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FileFacts::Kind::kDirectory
                                                                   : FileFacts::Kind::kRegular;
  facts.size = std::uint64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow;
  // 100-nanosecond ticks since 1601, as seconds and nanoseconds since 1970.
  const std::int64_t ticks =
      static_cast<std::int64_t>(std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32 | info.ftLastWriteTime.dwLowDateTime) -
      116444736000000000LL;
  facts.modifiedSeconds = ticks / 10000000;
  facts.modifiedNanoseconds = static_cast<long>(ticks % 10000000 * 100);
  facts.device = info.dwVolumeSerialNumber;
  facts.number = std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow;
  return 0;
}

int File::Facts(FileFacts& facts) const { return FactsOfHandle(H(native_), facts); }

bool File::OwnedByUser() const {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(H(native_), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS)
    return false;
  const std::unique_ptr<void, decltype(&LocalFree)> freeDescriptor(descriptor, &LocalFree);
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  alignas(TOKEN_USER) unsigned char buffer[512];
  DWORD length = 0;
  const bool known = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &length);
  CloseHandle(token);
  if (!known) return false;
  if (EqualSid(owner, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid)) return true;
  // A file an administrator makes belongs to the Administrators group.
  BOOL member = FALSE;
  return IsWellKnownSid(owner, WinBuiltinAdministratorsSid) && CheckTokenMembership(nullptr, owner, &member) && member;
}

bool File::MarkSharedUse() const { return true; }  // the share mode of the open is the mark

int LockByte(NativeFile file, std::uint64_t offset) {
  OVERLAPPED at = At(offset);
  if (LockFileEx(H(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) return 0;
  return LastErrno();
}

void UnlockBytes(NativeFile file, std::span<const std::uint64_t> offsets) {
  // Each lock is let go of by its own range; bytes not held fail harmlessly.
  for (std::uint64_t offset : offsets) {
    OVERLAPPED at = At(offset);
    UnlockFileEx(H(file), 0, 1, 0, &at);
  }
}

bool ByteLockedElsewhere(NativeFile file, std::uint64_t offset) {
  if (LockByte(file, offset) != 0) return true;
  const std::uint64_t taken[] = {offset};
  UnlockBytes(file, taken);
  return false;
}

}  // namespace dbf::os
