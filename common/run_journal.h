// Recording one import run in the journal: its start, a line for every row
// before the row is written (the table layer's row observer), its end.
#pragma once

#include <string>

#include "common/import_run.h"

namespace ModMain {

// Whether a file the journal has as imported may be imported again.
struct ReimportApproval {
  bool always = false;     // --again: whatever the journal says
  std::string earlierRun;  // the clerk said yes to this earlier run
};

class RunRecord {
 public:
  // Records nothing without a journal or a connection (a check).
  explicit RunRecord(Run& run);
  ~RunRecord();  // the observer goes with the record
  RunRecord(const RunRecord&) = delete;
  RunRecord& operator=(const RunRecord&) = delete;

  // Under the journal's guard: judges the re-import guard once more (an
  // earlier import that came after the guard's first look throws
  // ImportFailure), takes the run's lock and writes the start line (a new
  // id, the run's file, the table directory); then every save of the run
  // writes its row line first. Throws std::runtime_error when the journal
  // cannot be written.
  void Begin(const ReimportApproval& approval);
  // After the tables were flushed: the end line (the report's end and the
  // first line not imported), then the journal's fdatasync, then the run's
  // lock goes. A failure is shown and ends the run as failed.
  void End();

 private:
  Run& run_;
  std::string id_;  // "" until Begin wrote the start line
};

// "YYYYMMDD-HHMMSS-xxxxxx": local time and 24 random bits, unique enough among
// the clerks sharing a journal.
std::string NewRunId();
// Local time, "YYYY-MM-DD HH:MM:SS".
std::string LocalTimeText();

}  // namespace ModMain
