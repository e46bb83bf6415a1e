#include "common/tables.h"

#include <exception>

#include "common/errors.h"
#include "common/fields.h"
#include "common/messages.h"

namespace ModMain {
namespace {

dbf::Connection& ConnectionOf(Session& session) {
  if (!session.SharedConnection || !session.SharedConnection->IsOpen())
    throw ImportFailure(NotConnectedMessage(session.tableDirectory));
  return *session.SharedConnection;
}

}  // namespace

void OpenTable(Session& session, dbf::Recordset& recordset, const std::string& table) {
  recordset.Open(table, ConnectionOf(session));
}

bool TableExists(Session& session, const std::string& table) {
  // Looked up in the table directory itself, not the working directory, so a
  // program started elsewhere checks the tables it is about to open.
  return ConnectionOf(session).TableExists(table);
}

void CloseReporting(RunSink& sink, dbf::Recordset* recordset) {
  if (!recordset) return;
  try {
    recordset->Close();
  } catch (const std::exception& error) {
    sink.Message(error.what());
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

}  // namespace ModMain
