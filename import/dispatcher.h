// The run button: test the file name against the kind, load the file, run
// the kind's routine. Shared by the window and the command line.
#pragma once

#include <string>

#include "common/import_shell.h"

namespace ModMain {

enum class DispatchResult { kRefused, kLoadFailed, kRan };

// Tests the (raw) file name; on failure shows the wrong-file message; else
// loads directory + "/" + name and calls the kind's routine. A load failure
// shows its description.
DispatchResult Dispatch(ImportShell& shell, int kind, const std::string& directory, const std::string& fileNameBytes);

}  // namespace ModMain
