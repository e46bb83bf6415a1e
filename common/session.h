// What lives for one program run: the connection to the table directory,
// the run journal, the customer lookup's handle, and the state one import
// leaves to the next (the code map, the held customer codes). The front end
// makes it at start (OpenTargetDatabase) and ends it at exit
// (CloseTargetDatabase); the import pipeline (import/pipeline.h) is the only
// one that changes it in between.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "common/customer_code_map.h"
#include "common/import_kind.h"
#include "common/import_view.h"
#include "dbf/dbf.h"

namespace ModMain {

class JournalFile;

// What one import leaves to the next, and what a check carries from step to
// step as the runs would. Session::ForCheck copies it whole: a field added
// here is carried by the check without another line.
struct CarriedState {
  std::string tableDirectory;  // as the front end named it (UTF-8 path)
  CustomerCodeMap customerCodeMap;
  // Customer codes held from record to record (and run to run), one per
  // kind that holds one (the ready-mix sales, collections, invoices).
  std::map<ImportKind, std::string> heldCustomerCodes;

  bool operator==(const CarriedState&) const = default;
};

struct Session : CarriedState {
  // Declared first, so it closes after the recordsets opened on it.
  std::unique_ptr<dbf::Connection> SharedConnection;  // null when the open failed
  std::unique_ptr<dbf::Recordset> LookupRecordset;    // open between customer lookups
  // Every import run is recorded here and judged by its re-import guard;
  // null for a check.
  JournalFile* journal = nullptr;

  // The check's copy: the carried state, and a connection on the same
  // tables whose saves are checked and never written. No journal.
  Session ForCheck() const;
};

// Opens SharedConnection on the table directory; a failure shows its message
// and leaves SharedConnection null (every import then ends naming the
// directory).
void OpenTargetDatabase(Session& session, const std::string& tableDirectory, ImportView& view);
// Closes the lookup's handle and the connection (which flushes its tables).
void CloseTargetDatabase(Session& session, ImportView& view);

}  // namespace ModMain
