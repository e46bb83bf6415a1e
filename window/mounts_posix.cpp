#include <fstream>
#include <iterator>

#include "window/mounts.h"

namespace window {

std::vector<MountedDrive> CurrentBrowsableDrives() {
  std::ifstream file("/proc/self/mounts");
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return BrowsableDrives(text);
}

}  // namespace window
