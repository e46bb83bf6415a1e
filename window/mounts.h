// The "drives" of the drive list on Linux: the mounted file systems a clerk
// can browse (the root, home, removable media), read from /proc/self/mounts.
#pragma once

#include <string>
#include <vector>

namespace window {

struct MountedDrive {
  std::string mountPoint;  // bytes as the kernel reports them, escapes decoded
  std::string fileSystem;  // ext4, vfat, ...
};

// The browsable drives of a mounts table (the text of /proc/self/mounts): the
// root, and file systems under /home, /media, /mnt and /run/media that are
// not kernel pseudo file systems. Sorted by mount point, without duplicates.
std::vector<MountedDrive> BrowsableDrives(const std::string& mountsText);
// The same for the running system.
std::vector<MountedDrive> CurrentBrowsableDrives();

// The drive whose mount point holds `path` (the longest matching mount
// point); "/" when none does.
std::string DriveOfPath(const std::vector<MountedDrive>& drives, const std::string& path);

}  // namespace window
