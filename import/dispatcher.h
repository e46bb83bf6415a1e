// The run button: test the file name against the kind, load the file, run
// the kind's routine. Shared by the window and the command line, which check
// a loaded file (import/checker.h) between the load and the run.
#pragma once

#include <string>

#include "common/import_shell.h"

namespace ModMain {

enum class DispatchResult { kRefused, kLoadFailed, kRan };

// Tests the (raw) file name and loads directory + "/" + name into
// RecordLines. No name shows the no-file message, a wrong one the wrong-file
// message naming the file the kind expects, a load failure its description:
// kRefused or kLoadFailed. kRan here means loaded.
DispatchResult LoadStep(ImportShell& shell, int kind, const std::string& directory, const std::string& fileNameBytes);
// Runs the kind's routine on RecordLines.
void RunStep(ImportShell& shell, int kind);
// LoadStep, then RunStep when it loaded.
DispatchResult Dispatch(ImportShell& shell, int kind, const std::string& directory, const std::string& fileNameBytes);

// "파일을 잘못 선택하셨습니다." CR LF "다시 파일을 선택하십시오." CR LF and what
// the kind expects ("골재 · 차량 파일: G차량.txt").
std::string WrongFileMessage(int kind);

}  // namespace ModMain
