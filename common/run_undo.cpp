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

UndoResult UndoRun(JournalFile& journal, const std::string& runId, const std::string& tableDirectory) {
  UndoResult result;
  const JournalContents all = ReadJournal(journal);
  result.warnings = all.warnings;
  result.run = FindRunToUndo(all, runId, tableDirectory, journal.Path());
  if (result.run.running)
    throw std::runtime_error("가져오기가 아직 진행 중입니다 (작업 " + result.run.id + "). 가져오기가 끝난 뒤에 되돌리십시오.");
  const JournalContents own = ReadJournal(journal, result.run.id);

  dbf::Connection connection;
  connection.Open(result.run.tableDirectory.empty() ? tableDirectory : result.run.tableDirectory);
  connection.RepairIndexes(TablesOfUnendedRuns(all, CanonicalDirectory(connection.Directory())));
  std::map<std::string, std::unique_ptr<dbf::Recordset>> tables;
  for (const JournalRow& row : own.rows) {
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
  journal.Append({result.run.id, "undo", LocalTimeText(), std::to_string(result.deleted),
                  std::to_string(result.kept.size())});
  journal.Sync();
  return result;
}

}  // namespace ModMain
