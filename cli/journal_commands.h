// The command line's commands on the run journal: --runs and --undo.
#pragma once

#include <memory>
#include <string>

#include "cli/arguments.h"
#include "common/journal_file.h"

namespace cli {

// The journal of --journal DIR (which must exist), else the default one.
// Throws std::runtime_error (Korean) when there is no default place.
std::unique_ptr<ModMain::JournalFile> OpenJournal(const Arguments& arguments);

// --runs: one line per run on stdout. Returns the exit status.
int ListRuns(const Arguments& arguments);
// --undo [RUN] on `tableDirectory`'s last run or RUN; without RUN the run is
// named and confirmed on a terminal, and a script is refused when a later
// run lost its start line. Returns the exit status.
int UndoRun(const Arguments& arguments, const std::string& tableDirectory);

}  // namespace cli
