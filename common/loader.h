// Reads an export file into RecordLines.
#pragma once

#include <cstdint>
#include <string>

#include "common/import_shell.h"

namespace ModMain {

inline constexpr int kMaxRecordLines = 32767;
inline constexpr std::size_t kMaxLineBytes = 4096;

// What a sound export file of a kind can hold: larger files and longer lines
// are refused before they are read into memory.
struct LoadLimits {
  std::uint64_t maxFileBytes;
  std::size_t maxLineBytes;
};
// The limits for records of `recordLength` bytes, with a margin.
LoadLimits LimitsForRecordLength(int recordLength);

// Reads the whole file once and splits it into lines: CR LF, LF and CR each
// end a line; the last line may lack its end; nothing is trimmed. Shows
// "파일읽기", the progress and "전체레코드수 : N". Throws ImportFailure
// (Korean, naming the file) and leaves RecordLines as it was for: anything
// but a regular file, a file or line over the limits, an empty file, more
// than 32 767 lines, or a read error. A loaded file also sets loadedFile
// (its path, size and SHA-256; the kind is the caller's).
void LoadExportFile(ImportShell& shell, const std::string& path, const LoadLimits& limits);

}  // namespace ModMain
