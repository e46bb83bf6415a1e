// Opening tables on the shared connection, the existence check and the
// missing-table messages.
#include "common/encoding.h"
#include "common/errors.h"
#include "common/fields.h"
#include "common/import_run.h"

namespace ModMain {
namespace {

dbf::Connection& ConnectionOf(ImportShell& shell) {
  if (!shell.SharedConnection || !shell.SharedConnection->IsOpen()) {
    throw ImportFailure("테이블 폴더 '" + shell.tableDirectory +
                        "'에 연결되어 있지 않습니다. 폴더를 확인하고 프로그램을 다시 시작하십시오.");
  }
  return *shell.SharedConnection;
}

}  // namespace

void OpenTable(ImportShell& shell, dbf::Recordset& recordset, const std::string& table) {
  dbf::Connection& connection = ConnectionOf(shell);
  recordset.Open(table, connection);
}

bool TableExists(ImportShell& shell, const std::string& table) {
  // Looked up in the table directory itself, not the working directory, so a
  // program started elsewhere checks the tables it is about to open.
  return ConnectionOf(shell).TableExists(table);
}

std::string MissingTableMessage(const std::string& firstLineSubject) {
  return firstLineSubject + " 테이블이 없습니다.\r\n테이블을 확인하고 다시 시도하십시오.";
}

std::string MissingDatedTableMessage(const std::string& tableNameCp949) {
  return MissingTableMessage(Cp949ToUtf8(tableNameCp949) + ".dbf");
}

std::string DatedTableName(const std::string& prefix, TableNameRule rule,
                           const std::string& dateText) {
  switch (rule) {
    case TableNameRule::kMonthly:
      return prefix + MidChars(dateText, 3, 2) + MidChars(dateText, 6, 2);
    case TableNameRule::kDaily:
      return prefix + MidChars(dateText, 1, 2) + MidChars(dateText, 4, 2) +
             MidChars(dateText, 7, 2);
  }
  return prefix;
}

DatedTableSwitch::DatedTableSwitch(std::string prefix, TableNameRule rule, bool checkExists)
    : prefix_(std::move(prefix)), rule_(rule), checkExists_(checkExists) {}

void DatedTableSwitch::SwitchTo(RecordContext& context, const std::string& dateText) {
  if (holding_ && dateText == heldDateText_) return;
  if (context.recordset.IsOpen()) context.recordset.Close();
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
