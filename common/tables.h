// Tables of an import run: opening them on the shared connection, the
// existence check, the date-named tables and the close after a failure.
#pragma once

#include <string>

#include "common/import_shell.h"

namespace ModMain {

struct RecordContext;

// Opens `table` on `recordset` through the shell's connection and notes the
// table for the count of saved rows; throws dbf::Error, or ImportFailure
// naming the table directory when there is no connection.
void OpenTable(ImportShell& shell, dbf::Recordset& recordset, const std::string& table);
// True when the table file exists in the table directory; throws when there
// is no connection.
bool TableExists(ImportShell& shell, const std::string& table);
// Closes a table (if open); a failing close is shown, never swallowed.
void CloseReporting(ImportShell& shell, dbf::Recordset* recordset);

// How a date-named table is named from the record's date text.
enum class TableNameRule {
  kMonthly,  // prefix + characters 3-4 + characters 6-7 ("2004/03/15" -> k31_0403)
  kDaily     // prefix + characters 1-2 + 4-5 + 7-8   ("24/01/15" -> so240115)
};
std::string DatedTableName(const std::string& prefix, TableNameRule rule, const std::string& dateText);

// The switch between date-named tables on the run's recordset, made by the
// routine before RunImport (the held date text lives for the run). When the
// date text differs from the held one: close the open table, name the new
// one, check that it exists (when asked: missing -> its message, then
// RunEnded) and open it.
class DatedTableSwitch {
 public:
  DatedTableSwitch(std::string prefix, TableNameRule rule, bool checkExists);
  void SwitchTo(RecordContext& context, const std::string& dateText);

 private:
  std::string prefix_;
  TableNameRule rule_;
  bool checkExists_;
  std::string heldDateText_;
  bool holding_ = false;
};

}  // namespace ModMain
