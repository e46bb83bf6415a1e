// The one shape of every import run: table check, open, display preparation,
// the record loop, the list rows with "성공", progress, close, the error path
// and the end-of-run writes. Each import routine is its record layout plus a
// per-record step handed to RunImport.
#pragma once

#include <functional>
#include <string>

#include "common/import_shell.h"
#include "common/record_layout.h"

namespace ModMain {

struct RunShape {
  // Fixed table opened before the loop ("carno"); empty for the routines that
  // open date-named tables inside the loop (DatedTableSwitch).
  std::string fixedTable;
  // Label of the missing-table message for the fixed table ("차량" gives
  // "차량 테이블이 없습니다."); empty: no existence check before the open.
  std::string missingTableLabel;
  bool useSiteRecordset = false;  // the ready-mix site import
  bool includeLastLine = false;   // visit every line (the site import), not 0..n-2
  // Called once after the display is prepared, before the first record (the
  // ready-mix customer import clears the code map there).
  std::function<void(ImportShell&)> afterPrepare;
};

// What a per-record step gets.
struct RecordContext {
  ImportShell& shell;
  dbf::Recordset& recordset;  // SharedRecordset, or SiteRecordset
  int index;                  // 0-based index in RecordLines
  const std::string& record;  // CP949

  int LineNumber() const { return index + 1; }
  // Converts the row's whole numbers, adds a row (blank defaults set), sets
  // every column that has a value in layout order and saves the row; on the
  // run's recordset, or on another one (sites, summary rows).
  void WriteRow(RowValues& row);
  void WriteRow(RowValues& row, dbf::Recordset& other);
};

using RecordStep = std::function<void(RecordContext&)>;

// Runs one import: everything of the shape above, calling `step` for each
// visited record; the list row and the progress step follow each record the
// step returns from. A step throws ImportFailure or dbf::Error to take the
// error path (the message gets the record's line number), or RunEnded after
// showing its own message. Sets shell.lastOutcome and frees RecordLines.
void RunImport(ImportShell& shell, const RunShape& shape, const RecordStep& step);

}  // namespace ModMain
