#include "common/run_undo.h"

#include <map>
#include <memory>
#include <stdexcept>

#include "common/run_journal.h"

namespace ModMain {

JournalRun FindRunToUndo(const JournalContents& journal, const std::string& runId, const std::string& tableDirectory,
                         const std::string& journalPath) {
  const std::string directory = CanonicalDirectory(tableDirectory);
  for (auto run = journal.runs.rbegin(); run != journal.runs.rend(); ++run)
    if (runId.empty() ? run->tableDirectory == directory : run->id == runId) return *run;
  if (runId.empty())
    throw std::runtime_error("작업 기록 " + journalPath + "에 테이블 폴더 " + directory + "에 가져온 작업이 없습니다.");
  throw std::runtime_error("작업 기록 " + journalPath + "에 작업 " + runId + "이(가) 없습니다.");
}

std::optional<JournalRun> LaterRunWithoutStart(const JournalContents& journal, const std::string& runId) {
  bool later = false;
  for (const JournalRun& run : journal.runs) {
    if (later && run.started.empty()) return run;
    later = later || run.id == runId;
  }
  return std::nullopt;
}

std::optional<JournalRun> LastRunToUndo(const JournalContents& journal, const std::string& tableDirectory) {
  const std::string directory = CanonicalDirectory(tableDirectory);
  for (auto run = journal.runs.rbegin(); run != journal.runs.rend(); ++run) {
    if (run->tableDirectory != directory) continue;
    if (run->undone.empty() && run->Rows() > 0) return *run;
    break;
  }
  return std::nullopt;
}

std::string StillRunningMessage(const JournalRun& run) {
  return "가져오기가 아직 진행 중입니다 (작업 " + run.id + "). 가져오기가 끝난 뒤에 되돌리십시오.";
}

UndoResult UndoRun(JournalFile& journal, const JournalContents& read, const JournalRun& run,
                   const std::string& tableDirectory) {
  if (run.running) throw std::runtime_error(StillRunningMessage(run));
  UndoResult result;
  result.warnings = read.warnings;
  result.run = run;
  dbf::Connection connection;
  connection.Open(run.tableDirectory.empty() ? tableDirectory : run.tableDirectory);
  connection.RepairIndexes(TablesOfUnendedRuns(read, CanonicalDirectory(connection.Directory())));
  std::map<std::string, std::unique_ptr<dbf::Recordset>> tables;
  for (const JournalRow& row : RowsOfRun(journal, run)) {
    std::unique_ptr<dbf::Recordset>& table = tables[row.table];
    if (!table) {
      table = std::make_unique<dbf::Recordset>();
      table->Open(row.table, connection);
    }
    using Outcome = dbf::Recordset::DeleteOutcome;
    const Outcome outcome = table->DeleteRowIfSame(
        row.recordNumber, [&row](std::span<const std::uint8_t> record) { return RecordHash(record) == row.hash; });
    if (outcome == Outcome::kDeleted) ++result.deleted;
    else if (outcome == Outcome::kDiffers) result.kept.push_back(row);
    else ++result.gone;
  }
  tables.clear();
  connection.Close();  // flushes the tables before the undo line
  result.staleIndexes = connection.TakeStaleIndexes();
  result.rebuiltTags = connection.TakeRebuiltTags();
  const JournalUndo undo{LocalTimeText(), result.deleted, static_cast<int>(result.kept.size())};
  journal.Append(EncodeEntry(run.id, undo));
  journal.Sync();
  return result;
}

UndoResult UndoRun(JournalFile& journal, const std::string& runId, const std::string& tableDirectory) {
  const JournalContents read = ReadJournal(journal);
  return UndoRun(journal, read, FindRunToUndo(read, runId, tableDirectory, journal.Path()), tableDirectory);
}

}  // namespace ModMain
