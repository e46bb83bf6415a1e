// The one shape of every import run: table check, open, display preparation,
// the record loop, the list rows with "성공", progress, close and the error
// path, each told to the run's sink. Each import routine is its record
// layout plus a per-record step handed to RunImport.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "common/loader.h"
#include "common/record_layout.h"
#include "common/run_end.h"
#include "common/run_sink.h"
#include "common/session.h"

namespace ModMain {

// What a run did: how it ended, the records and rows it saved.
struct RunReport {
  RunEnd end = RunEnd::kCompleted;
  int recordsDone = 0;                   // records whose rows were all saved
  std::map<std::string, int> rowsSaved;  // by table name
  std::string runId;                     // the journal's id; "" when it wrote no start line
  // The line to continue from after an early end, 0 after a completed run.
  int FirstLineNotImported() const { return end == RunEnd::kCompleted ? 0 : recordsDone + 1; }
  int RowsSaved() const;
};

// One run of an import routine: the session it works in, the file it
// imports, the sink it reports to, and its report.
struct Run {
  Session& session;
  const ExportFile& file;
  RunSink& sink;
  RunReport report;
};

// The tables and lines of a routine's run.
struct RunSetup {
  // Fixed table opened before the loop ("carno"); empty for the routines that
  // open date-named tables inside the loop (DatedTableSwitch).
  std::string fixedTable;
  // Label of the missing-table message for the fixed table ("차량" gives
  // "차량 테이블이 없습니다."); empty: no existence check before the open.
  std::string missingTableLabel;
  bool includeLastLine = false;  // visit every line (the site file), not 0..n-2
  // Called once after the display is prepared, before the first record (the
  // ready-mix customer import clears the code map there).
  std::function<void(Run&)> afterPrepare;
};

// What a per-record step gets.
struct RecordContext {
  Run& run;
  dbf::Recordset& recordset;  // the run's recordset (SharedRecordset)
  int index;                  // 0-based index in RecordLines
  const std::string& record;  // CP949

  int LineNumber() const { return index + 1; }
  Session& session() const { return run.session; }
  // Converts the row's whole numbers, adds a row (blank defaults set), sets
  // every column that has a value in layout order and saves the row; on the
  // run's recordset, or on another one (sites, summary rows).
  void WriteRow(RowValues& row);
  void WriteRow(RowValues& row, dbf::Recordset& other);
};

using RecordStep = std::function<void(RecordContext&)>;

// Runs one import: everything of the shape above, calling `step` for each
// visited record; the list row and the progress step follow each record the
// step returns from. A step throws ImportFailure or dbf::Error to end the
// run at its record (the message gets the record's line number), or
// RunEnded with a message of its own. Sets run.report's end and records.
void RunImport(Run& run, const RunSetup& setup, const RecordStep& step);

// After a real run: written rows reach the disk, and the indexes the table
// layer did not keep current are named once, as is each tag it rebuilt. A
// failed flush ends the run as failed.
void FinishWrites(Run& run);

}  // namespace ModMain
