// Export file names as text.
#include "common/dispatcher.h"
#include "common/encoding.h"

namespace ModMain {

std::string DecodeFileName(std::string_view nameBytes) {
  // Names made on an old Korean Windows system (or unpacked from its
  // archives) arrive as CP949 bytes.
  if (IsValidUtf8(nameBytes)) return std::string(nameBytes);
  return Cp949ToUtf8(nameBytes);
}

}  // namespace ModMain
