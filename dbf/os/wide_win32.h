// The Windows boundary: UTF-8 paths and texts of the core as the UTF-16 the
// wide APIs take, and Windows error codes as the errno values the messages
// are written for.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "dbf/os/file.h"

namespace dbf::os {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);
int ErrnoFromWindows(DWORD error);
// errno set from GetLastError(), and returned.
int LastErrno();
// The facts of an open file or folder: 0 or errno.
int FactsOfHandle(HANDLE handle, FileFacts& facts);

}  // namespace dbf::os
