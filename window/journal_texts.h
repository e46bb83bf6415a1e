// The window's texts about the run journal: the lines it skipped, the offer
// to undo a run that ended early, the question before undoing the last run
// and what an undo did.
#pragma once

#include <QString>
#include <map>
#include <string>
#include <vector>

#include "common/journal_runs.h"
#include "common/run_end.h"
#include "common/run_undo.h"
#include "window/run_texts.h"

namespace window {

// The journal's warnings about damaged lines; the first ten are named.
QString JournalWarningsText(const std::vector<std::string>& warnings);
// After a run that stopped or failed with rows saved: how many were saved,
// and whether to delete them.
QString UndoOfferQuestion(ModMain::RunEnd end, const std::map<std::string, int>& rowsSaved);
// Before undoing the last run of the table directory: which run that is.
QString UndoLastQuestion(const ModMain::JournalRun& run);
// Before undoing a run chosen in "가져오기 기록".
QString UndoChosenQuestion(const ModMain::JournalRun& run);
// At start, when the table directory's last run never ended (its program was
// killed): which run that is, and whether to delete its rows.
QString KilledRunQuestion(const ModMain::JournalRun& run);
// What an undo did: the journal's warnings, rows deleted and gone already,
// the rows kept because they changed (the first twenty named), the indexes
// to rebuild.
QString UndoResultText(const ModMain::UndoResult& result);

}  // namespace window
