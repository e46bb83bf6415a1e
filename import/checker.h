// The check of export files before their first row is written: each file is
// run through its kind's own import against the real tables, on a connection
// that checks every save and writes nothing. The checker carries the run
// state (code map, held customer codes) from step to step as a real run
// would, starting from the state of the shell it was made from.
#pragma once

#include <string>
#include <vector>

#include "common/file_check.h"
#include "common/import_shell.h"

namespace ModMain {

// What the check says of a file most of whose records have another length
// than the kind's, naming the kinds whose records have that length; each
// front end adds what the clerk can do.
std::string RecordLengthFinding(int kind, const FileCheck& check);

class StepChecker {
 public:
  explicit StepChecker(const ImportShell& shell);
  ~StepChecker();
  StepChecker(const StepChecker&) = delete;
  StepChecker& operator=(const StepChecker&) = delete;

  // Checks the loaded lines of one file of `kind`.
  FileCheck Check(int kind, const std::vector<std::string>& lines);

 private:
  struct Silent;
  std::unique_ptr<Silent> view_;
  std::unique_ptr<ImportShell> shell_;
};

}  // namespace ModMain
