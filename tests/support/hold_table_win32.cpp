// hold_table.exe PATH OFFSET MILLISECONDS: holds a table as another Windows
// program does for that long: with OFFSET -1 open for exclusive use (share
// mode 0), else open for shared use with byte OFFSET locked by LockFileEx.
// Prints "held" once it holds it; exit status 3 when it cannot.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  const long long offset = std::wcstoll(argv[2], nullptr, 10);
  const DWORD share = offset < 0 ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
  const HANDLE file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(static_cast<unsigned long long>(offset) >> 32);
  if (offset >= 0 && !LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) return 3;
  std::fputs("held", stdout);
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
  return 0;
}
