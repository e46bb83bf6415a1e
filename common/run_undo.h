// Undo of an import run: the rows it saved marked deleted where they are
// still as it saved them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/journal_runs.h"
#include "dbf/dbf.h"

namespace ModMain {

struct UndoResult {
  JournalRun run;                  // the run undone, as the journal had it before
  int deleted = 0;                 // rows this undo marked deleted
  int gone = 0;                    // deleted already, or never counted in their table (a kill)
  std::vector<JournalRow> kept;    // bytes no longer as the run saved them: left alone
  std::vector<dbf::StaleIndex> staleIndexes;  // indexes the deletions could not keep current
  std::vector<dbf::RebuiltTag> rebuiltTags;   // tags found broken and rebuilt
  std::vector<std::string> warnings;          // journal lines skipped
};

// The run `runId`, or when it is "" the last run recorded for
// `tableDirectory`. Throws (Korean) when there is none.
JournalRun FindRunToUndo(const JournalContents& journal, const std::string& runId, const std::string& tableDirectory,
                         const std::string& journalPath);
// A run recorded after run `runId` whose start line is not in the journal:
// it may be of any table directory, so the last run of one is not known.
std::optional<JournalRun> LaterRunWithoutStart(const JournalContents& journal, const std::string& runId);
// The run the window's "마지막 가져오기 되돌리기" undoes: the table directory's
// last, while it has rows and was not undone.
std::optional<JournalRun> LastRunToUndo(const JournalContents& journal, const std::string& tableDirectory);

// Why a run still importing is not undone: "가져오기가 아직 진행 중입니다 ...".
std::string StillRunningMessage(const JournalRun& run);

// Undoes `run` of the journal as `journal` was read, in the run's own table
// directory (`tableDirectory` when the journal lost it): every row it saved
// is marked deleted (Recordset::DeleteRowIfSame) when its bytes still have
// the row line's hash and it is not deleted already. First the indexes of
// the tables that killed runs wrote are checked against every row and
// rebuilt where broken (Connection::RepairIndexes). Then the tables are
// flushed and an undo line is written and synced. Throws (Korean) when the
// run is still going ("가져오기가 아직 진행 중입니다") or a table cannot be
// read or written; the rows deleted until then stay deleted, and undoing
// again finishes the work.
UndoResult UndoRun(JournalFile& journal, const JournalContents& read, const JournalRun& run,
                   const std::string& tableDirectory);
// The same for run `runId` (or the table directory's last run), after one
// reading of the journal.
UndoResult UndoRun(JournalFile& journal, const std::string& runId, const std::string& tableDirectory);

}  // namespace ModMain
