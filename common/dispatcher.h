// The run button: the kind table, the file-name tests and the dispatch to one
// import routine. Shared by the window and the command line.
#pragma once

#include <string>
#include <string_view>

#include "common/import_shell.h"

namespace ModMain {

inline constexpr int kKindCount = 11;

using ImportRoutine = void (*)(ImportShell&);

enum class NameTest { kEquals, kPrefix, kContains };

struct ImportKindInfo {
  int kind;
  const char* tab;      // "골재" or "레미콘" (UTF-8)
  const char* caption;  // option caption
  NameTest test;
  const char* pattern;  // literal the name is tested against (UTF-8)
  ImportRoutine routine;
};

// The eleven kinds, index = kind.
const ImportKindInfo& KindInfo(int kind);

// The file name as text: UTF-8 when the bytes are valid UTF-8, else decoded
// from CP949 (names made on an old Korean Windows system).
std::string DecodeFileName(std::string_view nameBytes);
// The kind's file-name test on a decoded name (no directory).
bool FileNameFits(int kind, std::string_view fileNameUtf8);

// "파일을 잘못 선택하셨습니다." CR LF "다시 파일을 선택하십시오."
extern const char* const kWrongFileMessage;

enum class DispatchResult { kRefused, kLoadFailed, kRan };

// The run button for `kind`: test the (raw) file name, on failure show the
// wrong-file message; else load directory + "/" + name and call the kind's
// routine. A load failure shows its description.
DispatchResult Dispatch(ImportShell& shell, int kind, const std::string& directory,
                        const std::string& fileNameBytes);

}  // namespace ModMain
