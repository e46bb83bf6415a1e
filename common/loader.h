// Reads an export file: its lines and what identifies it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/import_kind.h"
#include "common/import_view.h"

namespace ModMain {

// What identifies a loaded file, as the journal names it.
struct FileIdentity {
  std::string path;  // raw bytes
  std::uint64_t size = 0;
  std::string sha256;  // of the file's bytes, hex
  std::string stamp;   // size, modification time and file number as loaded
};

// An export file as loaded: one CP949 record per line, without line ends.
struct ExportFile {
  ImportKind kind = ImportKind::kGCustomers;
  std::vector<std::string> RecordLines;
  FileIdentity identity;
};

inline constexpr int kMaxRecordLines = 32767;
inline constexpr std::size_t kMaxLineBytes = 4096;

// What a sound export file of a kind can hold: larger files and longer lines
// are refused before they are read into memory.
struct LoadLimits {
  std::uint64_t maxFileBytes;
  std::size_t maxLineBytes;
  std::size_t recordLength = 0;  // a last line without its end that is shorter was cut
};
// The limits for records of `recordLength` bytes, with a margin.
LoadLimits LimitsForRecordLength(int recordLength);

// Reads the whole file once and splits it into lines: CR LF, LF and CR each
// end a line; the last line may lack its end unless it is shorter than a
// record (a file still being written, cut mid-record); nothing is trimmed.
// Shows "파일읽기", the progress and the number of lines. Throws
// ImportFailure (Korean, naming the file) for: anything but a regular file,
// a file or line over the limits, an empty file, more than 32 767 lines, a
// file that changed while it was read, a cut last line, or a read error.
// The file's kind is the caller's.
ExportFile LoadExportFile(const std::string& path, const LoadLimits& limits, ImportView& view);

// Throws ImportFailure ("파일이 읽는 동안 바뀌었습니다") when the loaded file's
// size, modification time or file number is no longer what the load saw.
void RequireUnchanged(const FileIdentity& file);

}  // namespace ModMain
