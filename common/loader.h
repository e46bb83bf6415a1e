// Reads an export file into RecordLines.
#pragma once

#include <string>

#include "common/import_shell.h"

namespace ModMain {

// Two passes: count the lines, then fill RecordLines exactly. CR LF or a CR
// alone ends a line, a LF alone does not; the last line may lack its end; no
// trimming. Shows "파일읽기", the progress and "전체레코드수 : N". An empty
// file, more than 32 767 lines or a file that cannot be read throw
// ImportFailure (Korean, naming the file) and leave RecordLines as it was.
void LoadExportFile(ImportShell& shell, const std::string& path);

inline constexpr int kMaxRecordLines = 32767;

}  // namespace ModMain
