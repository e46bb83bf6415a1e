#include "common/dated_tables.h"

#include "common/errors.h"
#include "common/messages.h"

namespace ModMain {

DatedTableSwitch::DatedTableSwitch(std::string prefix, TableNameRule rule, bool checkExists)
    : prefix_(std::move(prefix)), rule_(rule), checkExists_(checkExists) {}

void DatedTableSwitch::SwitchTo(RecordContext& context, const std::string& dateText) {
  const std::string table = DatedTableName(prefix_, rule_, dateText);
  if (holding_ && table == heldTable_) return;
  context.recordset.Close();
  holding_ = false;
  if (checkExists_ && !TableExists(context.session(), table)) throw RunEnded{MissingDatedTableMessage(table)};
  OpenTable(context.session(), context.recordset, table);
  heldTable_ = table;
  holding_ = true;
}

void DatedTableSwitch::SwitchTo(RecordContext& context, const RowValues& row, std::string_view dateColumn) {
  row.RequireMonthAndDay(dateColumn);
  SwitchTo(context, row.Text(dateColumn));
}

}  // namespace ModMain
