// The one shape of every import run.
#include "common/import_run.h"

#include <exception>

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
    return {ended.message.empty() ? RunEnd::kStopped : RunEnd::kRefused, line, ended.message};
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
    target.Update();
    ++run.report.rowsSaved[target.TableName()];
  } catch (const dbf::Error& error) {
    target.Discard();  // a refused value leaves no row behind, not even for a later save
    std::rethrow_exception(RefusedField(row, error));
  } catch (...) {
    target.Discard();
    throw;
  }
}

void RunImport(Run& run, const RunSetup& setup, const RecordStep& step) {
  dbf::Recordset SharedRecordset;
  RunReport& report = run.report;
  report.end = RunEnd::kCompleted;
  report.recordsDone = 0;
  try {
    OpenFixedTable(run, setup, SharedRecordset);
    // The last line of an export file is its trailer, except in the site file.
    const int count = static_cast<int>(run.file.RecordLines.size());
    const int last = setup.includeLastLine ? count - 1 : count - 2;
    run.sink.Started(last >= 0 ? last + 1 : 0);
    if (setup.afterPrepare) setup.afterPrepare(run);
    for (int i = 0; i <= last; ++i) {
      const std::string& record = run.file.RecordLines[static_cast<std::size_t>(i)];
      RecordContext context{run, SharedRecordset, i, record};
      try {
        // A stop during the load or the previous record ends the run here.
        if (run.sink.StopRequested()) throw RunEnded{};
        step(context);
      } catch (...) {
        const EarlyEnd end = EndOfCurrentException(i + 1);
        if (run.sink.EndsEarly(end)) continue;  // the check goes on
        report.end = end.end;
        break;
      }
      report.recordsDone = i + 1;
      run.sink.Saved(i + 1, record);
    }
  } catch (...) {
    const EarlyEnd end = EndOfCurrentException(0);
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
