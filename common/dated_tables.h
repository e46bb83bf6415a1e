// The switch between date-named tables on the run's recordset, made by the
// routine before RunImport (the held table lives for the run). When the
// date text names another table than the held one: close the open table,
// check that the new one exists (when asked: missing -> RunEnded with its
// message) and open it. Records of one month stay on one open table, so its
// batches are not cut at every new day.
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
  std::string heldTable_;
  bool holding_ = false;
};

}  // namespace ModMain
