#include "common/session.h"

#include <exception>

namespace ModMain {

Session Session::ForCheck() const {
  Session check;
  static_cast<CarriedState&>(check) = *this;  // the one place that says what a check carries
  if (SharedConnection) {
    check.SharedConnection = std::make_unique<dbf::Connection>();
    check.SharedConnection->Open(SharedConnection->Directory(), /*checkOnly=*/true);
  }
  return check;
}

void OpenTargetDatabase(Session& session, const std::string& tableDirectory, ImportView& view) {
  session.tableDirectory = tableDirectory;
  try {
    if (!session.SharedConnection) session.SharedConnection = std::make_unique<dbf::Connection>();
    // Opened by directory: a Linux path may hold ';', which the connection
    // string cannot carry.
    session.SharedConnection->Open(tableDirectory);
  } catch (const std::exception& error) {
    session.SharedConnection.reset();
    view.ShowMessage(error.what());
  }
}

void CloseTargetDatabase(Session& session, ImportView& view) {
  try {
    session.LookupRecordset.reset();
    if (session.SharedConnection && session.SharedConnection->IsOpen()) session.SharedConnection->Close();
  } catch (const std::exception& error) {
    view.ShowMessage(error.what());
  }
  session.SharedConnection.reset();
}

}  // namespace ModMain
