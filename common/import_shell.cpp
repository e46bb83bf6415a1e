// The program-run state and the target database connection.
#include "common/import_shell.h"

#include <exception>

namespace ModMain {

ImportShell::~ImportShell() {
  // Recordsets go before the connection they were opened on.
  LookupRecordset.reset();
  SiteRecordset.reset();
  SharedRecordset.reset();
  SharedConnection.reset();
}

void ImportShell::ShowMessage(const std::string& text) {
  if (check) {
    check->messages.push_back(text);
    return;
  }
  ++messagesShown;
  view.ShowMessage(text);
}

void OpenTargetDatabase(ImportShell& shell, const std::string& tableDirectory) {
  shell.tableDirectory = tableDirectory;
  try {
    if (!shell.SharedConnection) shell.SharedConnection = std::make_unique<dbf::Connection>();
    // Opened by directory: a Linux path may hold ';', which the connection
    // string cannot carry.
    shell.SharedConnection->Open(tableDirectory);
  } catch (const std::exception& error) {
    shell.SharedConnection.reset();
    shell.ShowMessage(error.what());
  }
}

void CloseTargetDatabase(ImportShell& shell) {
  try {
    shell.LookupRecordset.reset();
    shell.SiteRecordset.reset();
    shell.SharedRecordset.reset();
    if (shell.SharedConnection && shell.SharedConnection->IsOpen()) {
      shell.SharedConnection->Close();
    }
  } catch (const std::exception& error) {
    shell.ShowMessage(error.what());
  }
  shell.SharedConnection.reset();
}

}  // namespace ModMain
