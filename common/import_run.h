// The one shape of every import run: table check, open, display preparation,
// the record loop, the list rows with "성공", progress, close, the free of
// RecordLines, the error path and the missing-table messages. Each import
// routine is its record layout plus a per-record step handed to RunImport.
#pragma once

#include <functional>
#include <string>

#include "common/import_shell.h"

namespace ModMain {

struct RunShape {
  // Fixed table opened before the loop ("carno"); empty for the routines that
  // open date-named tables inside the loop (DatedTableSwitch).
  std::string fixedTable;
  // Label of the missing-table message for the fixed table ("차량" gives
  // "차량 테이블이 없습니다."); empty: no existence check before the open.
  std::string missingTableLabel;
  bool useSiteRecordset = false;  // the ready-mix site import
  bool includeLastLine = false;   // visit every line (the site import), not 0..n-2
  bool yieldPerRecord = true;     // redraw and let the window process events per record
  bool freeRecordLines = false;   // RecordLines -> one empty element after a normal end
  // Called once after the display is prepared, before the first record (the
  // ready-mix customer import clears the code map there).
  std::function<void(ImportShell&)> afterPrepare;
};

// What a per-record step gets.
struct RecordContext {
  ImportShell& shell;
  dbf::Recordset& recordset;  // SharedRecordset, or SiteRecordset
  int index;                  // 0-based index in RecordLines
  const std::string& record;  // CP949

  int LineNumber() const { return index + 1; }
  // AddNew on the run's recordset, then SetBlankDefaults.
  void AddRow();
  // AddNew on another recordset (sites, summary rows), then SetBlankDefaults.
  void AddRow(dbf::Recordset& other);
};

using RecordStep = std::function<void(RecordContext&)>;

// Runs one import: everything of the shape above, calling `step` for each
// visited record; the list row and the progress step follow each record the
// step returns from. A step throws ImportFailure or dbf::Error to take the
// error path (the message gets the record's line number), or RunEnded after
// showing its own message. Sets shell.lastOutcome.
void RunImport(ImportShell& shell, const RunShape& shape, const RecordStep& step);

// "파일의 N번째 줄: ": what a message about the record on line N starts with.
std::string LinePrefix(int lineNumber);

// The missing-table message: "<label> 테이블이 없습니다." CR LF
// "테이블을 확인하고 다시 시도하십시오.".
std::string MissingTableMessage(const std::string& firstLineSubject);
// For a date-named table: "<name>.dbf 테이블이 없습니다." ...
std::string MissingDatedTableMessage(const std::string& tableNameCp949);

// How a date-named table is named from the record's date text.
enum class TableNameRule {
  kMonthly,  // prefix + characters 3-4 + characters 6-7 ("2004/03/15" -> k31_0403)
  kDaily     // prefix + characters 1-2 + 4-5 + 7-8   ("24/01/15" -> so240115)
};
std::string DatedTableName(const std::string& prefix, TableNameRule rule,
                           const std::string& dateText);

// The switch between date-named tables on the run's recordset. Created by the
// routine before RunImport (the held date text starts empty and lives for the
// run) and used by its step: when the date text differs from the held one,
// close the open table, name the new one, check that it exists (when asked:
// missing -> its message, then RunEnded), and open it with keyset cursor and
// optimistic locking.
class DatedTableSwitch {
 public:
  DatedTableSwitch(std::string prefix, TableNameRule rule, bool checkExists);
  void SwitchTo(RecordContext& context, const std::string& dateText);
  const std::string& HeldDateText() const { return heldDateText_; }

 private:
  std::string prefix_;
  TableNameRule rule_;
  bool checkExists_;
  std::string heldDateText_;
  bool holding_ = false;
};

// Opens `table` on a fresh recordset of the shell's connection with keyset
// cursor and optimistic locking; throws dbf::Error or ImportFailure (no
// connection: names the table directory).
void OpenTable(ImportShell& shell, dbf::Recordset& recordset, const std::string& table);
// True when the table file exists in the table directory; throws when there
// is no connection.
bool TableExists(ImportShell& shell, const std::string& table);

}  // namespace ModMain
