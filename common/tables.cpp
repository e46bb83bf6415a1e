#include "common/tables.h"

#include <exception>

#include "common/errors.h"
#include "common/fields.h"
#include "common/import_run.h"
#include "common/messages.h"

namespace ModMain {
namespace {

dbf::Connection& ConnectionOf(ImportShell& shell) {
  if (!shell.SharedConnection || !shell.SharedConnection->IsOpen())
    throw ImportFailure(NotConnectedMessage(shell.tableDirectory));
  return *shell.SharedConnection;
}

}  // namespace

void OpenTable(ImportShell& shell, dbf::Recordset& recordset, const std::string& table) {
  recordset.Open(table, ConnectionOf(shell));
}

bool TableExists(ImportShell& shell, const std::string& table) {
  // Looked up in the table directory itself, not the working directory, so a
  // program started elsewhere checks the tables it is about to open.
  return ConnectionOf(shell).TableExists(table);
}

void CloseReporting(ImportShell& shell, dbf::Recordset* recordset) {
  if (!recordset) return;
  try {
    recordset->Close();
  } catch (const std::exception& error) {
    shell.ShowMessage(error.what());
  }
}

std::string DatedTableName(const std::string& prefix, TableNameRule rule, const std::string& dateText) {
  switch (rule) {
    case TableNameRule::kMonthly:
      return prefix + MidChars(dateText, 3, 2) + MidChars(dateText, 6, 2);
    case TableNameRule::kDaily:
      return prefix + MidChars(dateText, 1, 2) + MidChars(dateText, 4, 2) + MidChars(dateText, 7, 2);
  }
  return prefix;
}

DatedTableSwitch::DatedTableSwitch(std::string prefix, TableNameRule rule, bool checkExists)
    : prefix_(std::move(prefix)), rule_(rule), checkExists_(checkExists) {}

void DatedTableSwitch::SwitchTo(RecordContext& context, const std::string& dateText) {
  if (holding_ && dateText == heldDateText_) return;
  context.recordset.Close();
  holding_ = false;
  const std::string table = DatedTableName(prefix_, rule_, dateText);
  if (checkExists_ && !TableExists(context.shell, table)) {
    context.shell.ShowMessage(MissingDatedTableMessage(table));
    throw RunEnded{};
  }
  OpenTable(context.shell, context.recordset, table);
  heldDateText_ = dateText;
  holding_ = true;
}

}  // namespace ModMain
