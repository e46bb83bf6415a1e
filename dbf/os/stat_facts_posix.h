// What a stat() result says, as the table layer asks it: for an open file
// (File::Facts) and for a path (PathFacts) alike.
#pragma once

#include <sys/stat.h>

#include <cstdint>

#include "dbf/os/file.h"

namespace dbf::os {

inline FileFacts FactsOfStat(const struct stat& st) {
  FileFacts facts;
  facts.kind = S_ISREG(st.st_mode)   ? FileFacts::Kind::kRegular
               : S_ISDIR(st.st_mode) ? FileFacts::Kind::kDirectory
                                     : FileFacts::Kind::kOther;
  facts.size = static_cast<std::uint64_t>(st.st_size);
  facts.modifiedSeconds = st.st_mtim.tv_sec;
  facts.modifiedNanoseconds = st.st_mtim.tv_nsec;
  facts.device = st.st_dev;
  facts.number = st.st_ino;
  return facts;
}

}  // namespace dbf::os
