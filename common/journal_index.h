// The index of runs, journal.idx beside journal.log: what a reading of the
// journal found up to one of its lines, so that the next reading starts
// there instead of at the first line of a year-old journal. It is a shortcut
// and never trusted blindly: it is used only when every line of it is sound
// and the journal's bytes before the line it stopped at are still those it
// was made from; else the journal is read whole and the index made anew.
#pragma once

#include <optional>
#include <vector>

#include "common/journal_file.h"
#include "common/journal_run.h"

namespace ModMain {

struct JournalState {
  std::vector<JournalRun> runs;  // in the order of their first lines
  std::vector<long> damaged;     // the numbers of the lines skipped
  JournalPosition end;           // the line the reading stopped before
};

// The journal's index when it is sound and matches the journal; none else.
std::optional<JournalState> LoadJournalIndex(const JournalFile& journal);
// Replaces the index with `state` (not at all when the folder cannot be written).
void SaveJournalIndex(const JournalFile& journal, const JournalState& state);

}  // namespace ModMain
