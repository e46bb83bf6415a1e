#include <windows.h>
#include <winnetwk.h>

#include "dbf/os/wide_win32.h"
#include "window/mounts.h"

namespace window {
namespace {

const char* KindOf(UINT type) {
  switch (type) {
    case DRIVE_FIXED: return "fixed";
    case DRIVE_REMOVABLE: return "removable";
    case DRIVE_REMOTE: return "network";
    case DRIVE_CDROM: return "cdrom";
    case DRIVE_RAMDISK: return "ramdisk";
    default: return nullptr;  // no root folder, or unknown
  }
}

// "\\server\share" of a mapped network drive; "" when it is not connected.
std::string ShareOf(wchar_t letter) {
  const wchar_t local[] = {letter, L':', 0};
  wchar_t remote[MAX_PATH + 1];
  DWORD size = MAX_PATH + 1;
  return WNetGetConnectionW(local, remote, &size) == NO_ERROR ? dbf::os::Utf8(remote) : std::string();
}

}  // namespace

std::vector<MountedDrive> CurrentBrowsableDrives() {
  std::vector<MountedDrive> drives;
  const DWORD letters = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(letters & (DWORD(1) << i))) continue;
    const wchar_t letter = static_cast<wchar_t>(L'A' + i);
    const wchar_t root[] = {letter, L':', L'\\', 0};
    const char* kind = KindOf(GetDriveTypeW(root));
    if (!kind) continue;
    MountedDrive drive{std::string{static_cast<char>('A' + i), ':', '/'}, kind, ""};
    if (drive.fileSystem == "network") drive.label = ShareOf(letter);
    drives.push_back(std::move(drive));
  }
  return drives;
}

}  // namespace window
