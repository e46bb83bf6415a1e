// What the run journal says: every import run with its file, the rows it
// saved, how it ended and whether it was undone; the rows of one run; and the
// re-import guard's question.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/journal_file.h"
#include "common/journal_run.h"

namespace ModMain {

struct JournalContents {
  std::vector<JournalRun> runs;       // in the order of their first lines
  std::vector<std::string> warnings;  // one per line skipped
};

// Reads the journal, from where its index (journal_index.h) ended when the
// index is sound, and renews the index when it was missing, stale or far
// behind.
JournalContents ReadJournal(const JournalFile& journal);
// The rows `run` saved, in saved order, read where its lines are (the whole
// journal when they are not where the index said). A number saved twice in
// one table (a save that failed after its row line, then the next save)
// counts once, as the later line.
std::vector<JournalRow> RowsOfRun(const JournalFile& journal, const JournalRun& run);

// A table directory as the journal names it: its real path when it has one.
std::string CanonicalDirectory(const std::string& directory);

// The short hash a row line carries: 16 hex digits of the SHA-256 of the
// record's bytes after its deletion flag.
std::string RecordHash(std::span<const std::uint8_t> record);

// The tables that runs into `tableDirectory` (real path) wrote without
// ending (killed: not running) and without an undo, unless a run that
// started after them ended having written the same table.
std::vector<std::string> TablesOfUnendedRuns(const JournalContents& journal, const std::string& tableDirectory);

// The runs into `tableDirectory` (real path), the newest first: what the
// window's history lists.
std::vector<JournalRun> RunsOfTableDirectory(const JournalContents& journal, const std::string& tableDirectory);
// How a run ended, as the run lists say it: "완료", "중지됨 (12번째 줄)";
// without an end line "진행 중" (its program holds its lock) or "끝나지 않음"
// (it was killed).
std::string RunOutcomeText(const JournalRun& run);

// The re-import guard: the last run of the same content, kind and table
// directory (real path) that completed and was not undone, or is running.
std::optional<JournalRun> FindEarlierRun(const JournalContents& journal, const std::string& tableDirectory,
                                         ImportKind kind, const std::string& sha256);
// "이미 가져온 파일입니다 (<date>, <rows>행). 다시 가져오시겠습니까?"; of a run
// still going: "같은 파일의 가져오기가 아직 진행 중입니다 (<date>에 시작). ..."
std::string AlreadyImportedQuestion(const JournalRun& earlier);
// Why a run was refused at its start line, when the earlier import came
// after the guard's first look (another clerk, the same moment).
std::string ImportedMeanwhileMessage(const JournalRun& earlier);

}  // namespace ModMain
