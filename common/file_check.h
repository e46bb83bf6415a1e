// What the check of an export file finds before its first row is written.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/import_kind.h"

namespace ModMain {

// A reason the run would end at a record, or the file cannot be imported at
// all (line 0). Texts are UTF-8.
struct Problem {
  int line = 0;
  std::string field;
  std::string text;
  std::string reason;
};

struct FileCheck {
  std::vector<Problem> problems;
  std::vector<std::string> messages;  // shown by the run, which then goes on
  std::map<std::string, int> rows;    // table name -> rows it would receive
  // Set when most records' length is not the kind's: the file is probably of
  // another kind (those with that record length, if any).
  int foundRecordLength = 0;
  int expectedRecordLength = 0;
  std::vector<ImportKind> kindsOfFoundLength;
};

// A file-level problem when the lines are UTF-8 text rather than CP949 (a
// byte-order mark, or non-ASCII bytes that are all well-formed UTF-8).
bool FindUtf8(const std::vector<std::string>& lines, FileCheck& check);

// The length most records have when it is not `recordLength` for more than
// half of the records `first`..`last`; 0 otherwise.
int MismatchedRecordLength(const std::vector<std::string>& lines, int first, int last, int recordLength);

}  // namespace ModMain
