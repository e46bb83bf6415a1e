// The indexes of the tables a killed run wrote: checked against every row and
// rebuilt where broken, before anything else is done in their table folder.
#pragma once

#include <string>
#include <vector>

#include "common/journal_runs.h"
#include "dbf/dbf.h"

namespace ModMain {

// For the connection's table folder, the tables the journal's runs wrote
// without ending (TablesOfUnendedRuns) have every tag of their structural
// index checked against every row, and each broken tag is rebuilt. Returns
// the messages to show: one per tag rebuilt (RebuiltTagMessage), or what kept
// a table from being checked. The front ends call it at start; an undo does
// the same; an import's saves then find those indexes whole.
std::vector<std::string> RepairAfterUnendedRuns(const JournalContents& journal, dbf::Connection& connection);

}  // namespace ModMain
