// The "drives" of the drive list: on Linux the mounted file systems a clerk
// can browse (the root, home, removable media), read from /proc/self/mounts;
// on Windows the drive letters (mounts_posix.cpp, mounts_win32.cpp).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace window {

struct MountedDrive {
  // Linux: bytes as the kernel reports them, escapes decoded; Windows: "C:/".
  std::string mountPoint;
  std::string fileSystem;  // ext4, vfat, ...; Windows: fixed, removable, network, ...
  std::string label;       // shown after the drive: a network drive's share ("\\server\share")
};

// The browsable drives of a mounts table (the text of /proc/self/mounts): the
// root, and file systems under /home, /media, /mnt and /run/media that are
// not kernel pseudo file systems. Sorted by mount point, without duplicates.
std::vector<MountedDrive> BrowsableDrives(const std::string& mountsText);
// The drives of the running system.
std::vector<MountedDrive> CurrentBrowsableDrives();

// The drive whose mount point holds `path` (the longest matching mount
// point); "/" when none does.
std::string DriveOfPath(const std::vector<MountedDrive>& drives, const std::string& path);
// How the drive list names a drive: "/home", "C:", "Z: [\\server\share]".
std::string DriveCaption(const MountedDrive& drive);

// The length of the root a path starts with, its separators '/': "/" 1,
// "C:/" 3, "//server/share/" through the share's '/'; 0 when it has none.
std::size_t RootLength(const std::string& path);

}  // namespace window
