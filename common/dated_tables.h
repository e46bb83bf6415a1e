// The switch between date-named tables on the run's recordset, made by the
// routine before RunImport (the held date text lives for the run). When the
// date text differs from the held one: close the open table, name the new
// one, check that it exists (when asked: missing -> RunEnded with its
// message) and open it.
#pragma once

#include <string>

#include "common/import_run.h"
#include "common/tables.h"

namespace ModMain {

class DatedTableSwitch {
 public:
  DatedTableSwitch(std::string prefix, TableNameRule rule, bool checkExists);
  void SwitchTo(RecordContext& context, const std::string& dateText);
  // The table of the row's date column; a month or day of 0 is a problem of
  // that field (RowValues::RequireMonthAndDay), never a table name.
  void SwitchTo(RecordContext& context, const RowValues& row, std::string_view dateColumn);

 private:
  std::string prefix_;
  TableNameRule rule_;
  bool checkExists_;
  std::string heldDateText_;
  bool holding_ = false;
};

}  // namespace ModMain
