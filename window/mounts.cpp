#include "window/mounts.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>

namespace window {
namespace {

// Spaces, tabs and backslashes in mount points appear as octal escapes (\040).
std::string DecodeOctalEscapes(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() &&
        std::isdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isdigit(static_cast<unsigned char>(text[i + 2])) &&
        std::isdigit(static_cast<unsigned char>(text[i + 3]))) {
      out.push_back(static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 +
                                      (text[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

// A root ("C:/") ends in its separator; other folders do not.
bool IsUnder(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || folder.back() == '/' || path[folder.size()] == '/';
}

bool IsPseudoFileSystem(const std::string& type) {
  static const std::set<std::string> kPseudo = {
      "proc",   "sysfs",     "devtmpfs", "devpts", "tmpfs",   "cgroup", "cgroup2", "mqueue",
      "debugfs", "tracefs", "securityfs", "pstore", "bpf",    "autofs", "hugetlbfs", "configfs",
      "fusectl", "binfmt_misc", "efivarfs", "rpc_pipefs", "nsfs", "ramfs"};
  return kPseudo.count(type) > 0;
}

}  // namespace

std::vector<MountedDrive> BrowsableDrives(const std::string& mountsText) {
  std::vector<MountedDrive> drives;
  std::istringstream lines(mountsText);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string device, mountPoint, type;
    if (!(words >> device >> mountPoint >> type)) continue;
    mountPoint = DecodeOctalEscapes(mountPoint);
    // The root is always a drive, whatever it is mounted as (overlay in a
    // container); elsewhere only real file systems where a clerk keeps files.
    bool wanted = mountPoint == "/" ||
                  (!IsPseudoFileSystem(type) &&
                   (IsUnder(mountPoint, "/home") || IsUnder(mountPoint, "/media") ||
                    IsUnder(mountPoint, "/mnt") || IsUnder(mountPoint, "/run/media")));
    if (wanted) drives.push_back({mountPoint, type, ""});
  }
  std::sort(drives.begin(), drives.end(),
            [](const MountedDrive& a, const MountedDrive& b) { return a.mountPoint < b.mountPoint; });
  drives.erase(std::unique(drives.begin(), drives.end(),
                           [](const MountedDrive& a, const MountedDrive& b) {
                             return a.mountPoint == b.mountPoint;
                           }),
               drives.end());
  if (drives.empty() || drives.front().mountPoint != "/") drives.insert(drives.begin(), {"/", "", ""});
  return drives;
}

std::string DriveOfPath(const std::vector<MountedDrive>& drives, const std::string& path) {
  std::string best = "/";
  for (const MountedDrive& drive : drives) {
    if (drive.mountPoint != "/" && IsUnder(path, drive.mountPoint) &&
        drive.mountPoint.size() > best.size()) {
      best = drive.mountPoint;
    }
  }
  return best;
}

std::string DriveCaption(const MountedDrive& drive) {
  std::string caption = drive.mountPoint;
  if (caption.size() > 1 && caption.back() == '/') caption.pop_back();
  if (!drive.label.empty()) caption += " [" + drive.label + "]";
  return caption;
}

std::size_t RootLength(const std::string& path) {
  if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':')
    return path.size() > 2 && path[2] == '/' ? 3 : 2;
  if (path.rfind("//", 0) == 0) {  // a share: //server/share/
    const std::size_t server = path.find('/', 2);
    const std::size_t share = server == std::string::npos ? server : path.find('/', server + 1);
    return share == std::string::npos ? path.size() : share + 1;
  }
  return path.rfind('/', 0) == 0 ? 1 : 0;
}

}  // namespace window
