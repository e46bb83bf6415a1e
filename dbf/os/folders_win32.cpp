#include "dbf/os/folders.h"

#include <aclapi.h>

#include <cerrno>
#include <memory>

#include "dbf/os/wide_win32.h"

namespace dbf::os {

const char kPathSeparators[] = "/\\";

namespace {

// A handle for reading a file's or folder's facts only: no share mode
// conflicts with such a one, even a table another program holds exclusively.
HANDLE OpenForFacts(const std::string& path) {
  return CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES | READ_CONTROL,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

std::wstring Pattern(const std::string& folder) {
  std::wstring pattern = Wide(WithoutTrailingSeparators(folder));
  if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  return pattern + L'*';
}

}  // namespace

int PathFacts(const std::string& path, FileFacts& facts) {
  const HANDLE handle = OpenForFacts(path);
  if (handle == INVALID_HANDLE_VALUE) return LastErrno();
  const int error = FactsOfHandle(handle, facts);
  CloseHandle(handle);
  return error;
}

int OpenableFolder(const std::string& path) {
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW(Pattern(path).c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? 0 : LastErrno();  // an empty drive
  }
  FindClose(find);
  return 0;
}

int ListFolder(const std::string& path, std::vector<std::string>& names) {
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW(Pattern(path).c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : LastErrno();
  do names.push_back(Utf8(entry.cFileName));
  while (FindNextFileW(find, &entry));
  FindClose(find);
  return 0;
}

int MakeFolder(const std::string& path) { return CreateDirectoryW(Wide(path).c_str(), nullptr) ? 0 : LastErrno(); }

int RenameReplacing(const std::string& from, const std::string& to) {
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : LastErrno();
}

int RemoveFile(const std::string& path) { return DeleteFileW(Wide(path).c_str()) ? 0 : LastErrno(); }

int SyncFileData(const std::string& path) {
  // FlushFileBuffers needs a handle that may write.
  const HANDLE handle = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastErrno();
  const int error = FlushFileBuffers(handle) ? 0 : LastErrno();
  CloseHandle(handle);
  return error;
}

std::string RealPath(const std::string& path) {
  const HANDLE handle = OpenForFacts(path);
  if (handle == INVALID_HANDLE_VALUE) return "";
  std::wstring real(32768, L'\0');
  const DWORD length = GetFinalPathNameByHandleW(handle, real.data(), static_cast<DWORD>(real.size()),
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  CloseHandle(handle);
  if (length == 0 || length >= real.size()) return "";
  real.resize(length);
  if (real.rfind(L"\\\\?\\UNC\\", 0) == 0) return Utf8(L"\\\\" + real.substr(8));
  if (real.rfind(L"\\\\?\\", 0) == 0) return Utf8(real.substr(4));
  return Utf8(real);
}

bool FolderOpenToEveryone(const std::string& path) {
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(Wide(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl,
                            nullptr, &descriptor) != ERROR_SUCCESS)
    return true;
  const std::unique_ptr<void, decltype(&LocalFree)> freeDescriptor(descriptor, &LocalFree);
  if (!acl) return true;  // no access list: everyone may do anything
  const WELL_KNOWN_SID_TYPE anyone[] = {WinWorldSid, WinAuthenticatedUserSid, WinBuiltinUsersSid, WinAnonymousSid};
  for (DWORD i = 0; i < acl->AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    if (!GetAce(acl, i, reinterpret_cast<void**>(&ace)) || ace->AceType != ACCESS_ALLOWED_ACE_TYPE ||
        (ace->AceFlags & INHERIT_ONLY_ACE))
      continue;
    const auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
    if (!(allowed->Mask & (FILE_ADD_FILE | GENERIC_WRITE | GENERIC_ALL))) continue;
    const PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    for (WELL_KNOWN_SID_TYPE type : anyone)
      if (IsWellKnownSid(sid, type)) return true;
  }
  return false;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  const bool ends = !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
  return ends || folder.empty() ? folder + name : folder + '\\' + name;
}

std::string WithoutTrailingSeparators(std::string path) {
  const auto separator = [](char c) { return c == '/' || c == '\\'; };
  while (path.size() > 1 && separator(path.back()) && !(path.size() == 3 && path[1] == ':')) path.pop_back();
  return path;
}

}  // namespace dbf::os
