// The one shape of every import run.
#include "common/import_run.h"

#include <exception>
#include <vector>

#include "common/errors.h"
#include "common/fields.h"
#include "common/messages.h"
#include "common/tables.h"
#include "dbf/ascii.h"

namespace ModMain {
namespace {

// What ends a run at `line`, from the exception being handled: each kind of
// failure is caught as itself.
EarlyEnd EndOfCurrentException(int line) {
  try {
    throw;
  } catch (const RunEnded& ended) {
    return {ended.message.empty() ? RunEnd::kStopped : RunEnd::kRefused, line, ended.message, {}, {}, false};
  } catch (const ImportFailure& failure) {
    return {RunEnd::kRefused, line, failure.what(), failure.Field(), failure.Text(), true};
  } catch (const dbf::Error& error) {
    // A value the table refused names its column; anything else is a failure.
    const RunEnd end = error.Column().empty() ? RunEnd::kFailed : RunEnd::kRefused;
    return {end, line, error.what(), error.Column(), error.Value(), true};
  } catch (const std::exception& error) {
    return {RunEnd::kFailed, line, error.what(), "", "", true};
  }
}

// Opens the fixed table, or ends the run (RunEnded) when it is missing.
void OpenFixedTable(Run& run, const RunSetup& setup, dbf::Recordset& recordset) {
  if (setup.fixedTable.empty()) return;
  // Before the display is touched: list and progress keep the last run.
  if (!setup.missingTableLabel.empty() && !TableExists(run.session, setup.fixedTable))
    throw RunEnded{MissingTableMessage(setup.missingTableLabel)};
  OpenTable(run.session, recordset, setup.fixedTable);
}

// A value the table refused, named by its field as the clerk knows it
// ("적재량" rather than CAR_CAP); any other table error as it is.
std::exception_ptr RefusedField(const RowValues& row, const dbf::Error& error) {
  if (!error.Column().empty())
    for (const RowValues::Entry& entry : row.Entries())
      if (dbf::ascii::EqualIgnoringCase(entry.rule->column, error.Column()))
        return std::make_exception_ptr(ImportFailure(error.what(), FieldName(*entry.rule), error.Value()));
  return std::make_exception_ptr(error);
}

// The records whose rows wait in the connection's batch: each is listed with
// "성공" and counted done once the batch is written, in file order.
class WaitingRecords {
 public:
  explicit WaitingRecords(Run& run) : connection(run.session.SharedConnection.get()), run_(run) {}
  // A message keeps its place after the records before it: they are written
  // and listed first; the rows of the current record go on waiting.
  void WriteFinished() {
    if (connection) connection->WriteFinishedRecords();
    Report();
  }

  void Add(int index) {
    if (connection) connection->FinishRecord();
    indexes_.push_back(index);
  }
  bool Due() const { return !connection || connection->BatchDue(); }
  // 1-based line of the first record waiting, 0 when none is.
  int FirstLine() const { return indexes_.empty() ? 0 : indexes_.front() + 1; }
  // Writes the batch (throws as the table layer does) and reports its records.
  void Write() {
    try {
      if (connection) connection->EndBatch();
    } catch (...) {
      TakeSavedRows();  // batches written before it, at a table switch
      throw;
    }
    Report();
  }

  dbf::Connection* const connection;

 private:
  void Report() {
    TakeSavedRows();
    for (int index : indexes_) {
      run_.report.recordsDone = index + 1;
      outerSink_.Saved(index + 1, run_.file.RecordLines[static_cast<std::size_t>(index)]);
    }
    indexes_.clear();
  }
  void TakeSavedRows() {
    if (!connection) return;
    for (const auto& [table, rows] : connection->TakeSavedRows()) run_.report.rowsSaved[table] += rows;
  }
  Run& run_;
  RunSink& outerSink_ = run_.sink;
  std::vector<int> indexes_;
};

// The run's sink with every message after the records before it.
class OrderedSink : public RunSink {
 public:
  OrderedSink(RunSink& sink, WaitingRecords& waiting) : sink_(sink), waiting_(waiting) {}
  void Message(const std::string& text) override {
    waiting_.WriteFinished();
    sink_.Message(text);
  }
  bool EndsEarly(const EarlyEnd& end) override { return sink_.EndsEarly(end); }
  bool StopRequested() const override { return sink_.StopRequested(); }
  void Started(int records) override { sink_.Started(records); }
  void Saved(int line, const std::string& recordCp949) override { sink_.Saved(line, recordCp949); }
  void CodeMapCleared() override { sink_.CodeMapCleared(); }
  void CodeMapAdded(const std::string& oldCode, const std::string& newCode, const std::string& name) override {
    sink_.CodeMapAdded(oldCode, newCode, name);
  }

 private:
  RunSink& sink_;
  WaitingRecords& waiting_;
};

}  // namespace

int RunReport::RowsSaved() const {
  int total = 0;
  for (const auto& [table, rows] : rowsSaved) total += rows;
  return total;
}

void RecordContext::WriteRow(RowValues& row) { WriteRow(row, recordset); }

void RecordContext::WriteRow(RowValues& row, dbf::Recordset& target) {
  row.Convert();  // before the row is added, so a failing record adds nothing
  target.AddNew();
  try {
    SetBlankDefaults(target, [this](const std::string& message) { run.sink.Message(message); });
    for (const RowValues::Entry& entry : row.Entries())
      if (entry.value) target.SetValue(entry.rule->column, *entry.value);
    target.Update();  // counted in the report once its batch is written
  } catch (const dbf::Error& error) {
    target.Discard();  // a refused value leaves no row behind, not even for a later save
    std::rethrow_exception(RefusedField(row, error));
  } catch (...) {
    target.Discard();
    throw;
  }
}

void RunImport(Run& outer, const RunSetup& setup, const RecordStep& step) {
  dbf::Recordset SharedRecordset;
  RunReport& report = outer.report;
  report.end = RunEnd::kCompleted;
  report.recordsDone = 0;
  WaitingRecords waiting(outer);
  OrderedSink sink(outer.sink, waiting);
  Run run{outer.session, outer.file, sink, {}};  // what the steps see; the report is the outer one
  try {
    OpenFixedTable(run, setup, SharedRecordset);
    // The last line of an export file is its trailer, except in the site file.
    const int count = static_cast<int>(run.file.RecordLines.size());
    const int last = setup.includeLastLine ? count - 1 : count - 2;
    run.sink.Started(last >= 0 ? last + 1 : 0);
    if (setup.afterPrepare) setup.afterPrepare(run);
    if (waiting.connection) waiting.connection->BeginBatches();
    for (int i = 0; i <= last; ++i) {
      const std::string& record = run.file.RecordLines[static_cast<std::size_t>(i)];
      RecordContext context{run, SharedRecordset, i, record};
      bool stepped = false;
      try {
        // A stop during the load or the previous record ends the run here,
        // once the records before it are written.
        if (run.sink.StopRequested()) throw RunEnded{};
        step(context);
        stepped = true;
        waiting.Add(i);
        if (waiting.Due()) waiting.Write();
      } catch (...) {
        // A failed batch ends the run at its first record; a failed record
        // at itself, after the whole records before it are written.
        EarlyEnd end = EndOfCurrentException(stepped ? waiting.FirstLine() : i + 1);
        if (!stepped) {
          if (waiting.connection) waiting.connection->DropUnfinishedRecord();
          try {
            waiting.Write();
          } catch (...) {
            end = EndOfCurrentException(waiting.FirstLine());
          }
        }
        if (run.sink.EndsEarly(end)) continue;  // the check goes on
        report.end = end.end;
        break;
      }
    }
    if (report.end == RunEnd::kCompleted) waiting.Write();
  } catch (...) {
    const EarlyEnd end = EndOfCurrentException(waiting.FirstLine());
    run.sink.EndsEarly(end);
    report.end = end.end;
  }
  CloseReporting(run.sink, &SharedRecordset);
}

void FinishWrites(Run& run) {
  dbf::Connection* connection = run.session.SharedConnection.get();
  if (!connection) return;
  try {
    connection->FlushWrittenTables();
  } catch (const std::exception& error) {
    run.report.end = RunEnd::kFailed;
    run.sink.Message(error.what());
  }
  std::vector<dbf::StaleIndex> stale;
  try {
    stale = connection->TakeStaleIndexes();
  } catch (const std::exception& error) {
    run.sink.Message(error.what());
  }
  if (!stale.empty()) run.sink.Message(StaleIndexMessage(stale, /*afterUndo=*/false));
  for (const dbf::RebuiltTag& tag : connection->TakeRebuiltTags()) run.sink.Message(RebuiltTagMessage(tag));
}

}  // namespace ModMain
