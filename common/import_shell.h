// The program-run state: one object created by the front end at start
// (OpenTargetDatabase) and destroyed at exit (CloseTargetDatabase).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/customer_code_map.h"
#include "common/file_check.h"
#include "common/import_view.h"
#include "dbf/dbf.h"

namespace ModMain {

class JournalFile;

// The export file last loaded, as the run journal names it.
struct LoadedFile {
  int kind = -1;
  std::string path;  // raw bytes, as loaded
  std::uint64_t size = 0;
  std::string sha256;  // of the file's bytes, hex
  std::string stamp;   // size, modification time and file number as loaded
};

enum class RunOutcome {
  kNone,       // no run yet
  kCompleted,  // the loop ended normally
  kEndedEarly  // missing table, error, or stopped by the user
};

struct ImportShell {
  explicit ImportShell(ImportView& view) : view(view) {}
  ImportShell(const ImportShell&) = delete;
  ImportShell& operator=(const ImportShell&) = delete;
  ~ImportShell();

  ImportView& view;

  // The loaded export file, one CP949 record per line, without line ends.
  std::vector<std::string> RecordLines;
  LoadedFile loadedFile;

  // The run journal every run is recorded in (the front end's); null: none.
  JournalFile* journal = nullptr;
  std::string lastRunId;  // the journal's id of the last run recorded
  // The re-import guard at a run's start line: a file imported already, or
  // being imported, refuses the run unless reimport is allowed (--again) or
  // the clerk said yes to that very earlier run.
  bool reimportAllowed = false;
  std::string reimportApprovedRun;

  std::string tableDirectory;  // as given to OpenTargetDatabase (UTF-8 path)
  std::unique_ptr<dbf::Connection> SharedConnection;  // null when the open failed
  std::unique_ptr<dbf::Recordset> SharedRecordset;
  std::unique_ptr<dbf::Recordset> SiteRecordset;
  std::unique_ptr<dbf::Recordset> LookupRecordset;  // the customer lookup's handle

  CustomerCodeMap customerCodeMap;

  // Customer codes held from record to record (and run to run), one per
  // import kind that holds one (the ready-mix sales, collections, invoices).
  std::map<int, std::string> heldCustomerCodes;

  // How the last import run ended and how many message boxes it showed; the
  // command line's exit status is built from these.
  RunOutcome lastOutcome = RunOutcome::kNone;
  int recordsDone = 0;  // records of the last run whose rows were all saved
  int messagesShown = 0;

  // Rows saved by table name since the front end last cleared it (the
  // summary of a run, the word on a stop).
  std::map<std::string, int> rowsSaved;

  // Set while the shell runs a check: every record is visited, the failures
  // become its problems and the messages its messages; nothing is written.
  FileCheck* check = nullptr;

  // Shows a message box and counts it (a check keeps it instead).
  void ShowMessage(const std::string& text);
};

// Opens SharedConnection on the table directory; a failure shows its message
// and leaves SharedConnection null (later imports then end through their error
// path naming the directory).
void OpenTargetDatabase(ImportShell& shell, const std::string& tableDirectory);
// Closes the connection and with it every recordset opened on it.
void CloseTargetDatabase(ImportShell& shell);

}  // namespace ModMain
