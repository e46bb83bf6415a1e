// The one shape of every import run.
#include "common/import_run.h"

#include <exception>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/fields.h"
#include "common/loader.h"
#include "common/messages.h"
#include "common/run_journal.h"
#include "common/tables.h"

namespace ModMain {
namespace {

// Written rows reach the disk at the end of every run, and the indexes the
// table layer did not keep current are named once, as is each tag it rebuilt.
void FinishWrites(ImportShell& shell) {
  if (!shell.SharedConnection || shell.check) return;
  try {
    shell.SharedConnection->FlushWrittenTables();
  } catch (const std::exception& error) {
    shell.lastOutcome = RunOutcome::kEndedEarly;
    shell.ShowMessage(error.what());
  }
  std::vector<dbf::StaleIndex> stale;
  try {
    stale = shell.SharedConnection->TakeStaleIndexes();
  } catch (const std::exception& error) {
    shell.ShowMessage(error.what());
  }
  if (!stale.empty()) shell.ShowMessage(StaleIndexMessage(stale, /*afterUndo=*/false));
  for (const dbf::RebuiltTag& tag : shell.SharedConnection->TakeRebuiltTags()) shell.ShowMessage(RebuiltTagMessage(tag));
}

}  // namespace

void RecordContext::WriteRow(RowValues& row) { WriteRow(row, recordset); }

void RecordContext::WriteRow(RowValues& row, dbf::Recordset& target) {
  row.Convert();  // before the row is added, so a failing record adds nothing
  target.AddNew();
  try {
    SetBlankDefaults(target, [this](const std::string& message) { shell.ShowMessage(message); });
    for (const RowValues::Entry& entry : row.Entries())
      if (entry.value) target.SetValue(entry.rule->column, *entry.value);
    target.Update();
    ++shell.rowsSaved[target.TableName()];
  } catch (...) {
    target.Discard();  // a refused value leaves no row behind, not even for a later save
    throw;
  }
}

namespace {

// What a check makes of a failure: the problem of `line` (0: the file).
Problem ProblemOf(int line, const std::exception& error) {
  if (auto* failure = dynamic_cast<const ImportFailure*>(&error))
    return {line, failure->Field(), Cp949ToUtf8(failure->Text()), error.what()};
  if (auto* refused = dynamic_cast<const dbf::Error*>(&error))
    return {line, refused->Column(), Cp949ToUtf8(refused->Value()), error.what()};
  return {line, "", "", error.what()};
}

// A record of a check: its failure, or the message before a RunEnded (a
// missing table), is its problem, and the check goes on with the next.
void CheckRecord(ImportShell& shell, const RecordStep& step, RecordContext& context) {
  FileCheck& check = *shell.check;
  const std::size_t shown = check.messages.size();
  try {
    step(context);
  } catch (const RunEnded&) {
    if (check.messages.size() == shown) throw;  // a stop
    check.problems.push_back({context.LineNumber(), "", "", check.messages.back()});
    check.messages.pop_back();
  } catch (const std::exception& error) {
    check.problems.push_back(ProblemOf(context.LineNumber(), error));
  }
}

// How the journal names a run that ended early: a refused value or a missing
// table "refused", a stop "stopped", anything else "failed".
const char* EarlyEnd(const std::exception* error, const ImportView& view) {
  if (!error) return view.StopRequested() ? "stopped" : "refused";
  if (dynamic_cast<const ImportFailure*>(error)) return "refused";
  auto* refused = dynamic_cast<const dbf::Error*>(error);
  return refused && !refused->Column().empty() ? "refused" : "failed";
}

}  // namespace

void RunImport(ImportShell& shell, const RunShape& shape, const RecordStep& step) {
  ImportView& view = shell.view;
  std::unique_ptr<dbf::Recordset>& slot = shape.useSiteRecordset ? shell.SiteRecordset : shell.SharedRecordset;
  int current = -1;  // index of the record in progress, -1 before the loop
  std::string failure;
  const char* ending = "completed";
  shell.recordsDone = 0;
  RunRecord record(shell);
  try {
    // The file the check passed is the file imported.
    if (!shell.check) RequireUnchanged(shell.loadedFile);
    record.Begin();
    slot = std::make_unique<dbf::Recordset>();
    if (!shape.fixedTable.empty()) {
      if (!shape.missingTableLabel.empty() && !TableExists(shell, shape.fixedTable)) {
        // Before the display is touched: list and progress keep the last run.
        shell.ShowMessage(MissingTableMessage(shape.missingTableLabel));
        throw RunEnded{};
      }
      OpenTable(shell, *slot, shape.fixedTable);
    }

    // The last line of an export file is its trailer, except in the site file.
    const int count = static_cast<int>(shell.RecordLines.size());
    const int last = shape.includeLastLine ? count - 1 : count - 2;
    view.SetPhaseCaption(kInsertCaption);
    // The bar's maximum is the number of records visited, so it ends full.
    view.SetProgressRange(0, last >= 0 ? last + 1 : 0);
    view.ClearRecordList();
    if (shape.afterPrepare) shape.afterPrepare(shell);

    for (int i = 0; i <= last; ++i) {
      // A close of the window during the load or the previous record stops here.
      if (view.StopRequested()) throw RunEnded{};
      current = i;
      const std::string& record = shell.RecordLines[static_cast<std::size_t>(i)];
      RecordContext context{shell, *slot, i, record};
      if (shell.check) {
        CheckRecord(shell, step, context);
        continue;
      }
      step(context);
      shell.recordsDone = i + 1;
      view.AddRecordRow(i + 1, kSuccessStatus);
      view.SetRecordRowData(i + 1, Cp949ToUtf8(record));
      view.SetProgressValue(i + 1);
    }
    shell.lastOutcome = RunOutcome::kCompleted;
  } catch (const RunEnded&) {
    shell.lastOutcome = RunOutcome::kEndedEarly;
    ending = EarlyEnd(nullptr, view);
    // In a check, a message before the first record (a missing table) ends it.
    if (shell.check && current < 0 && !shell.check->messages.empty()) {
      shell.check->problems.push_back({0, "", "", shell.check->messages.back()});
      shell.check->messages.pop_back();
    }
  } catch (const std::exception& error) {
    // ImportFailure, dbf::Error and whatever else a step raises.
    shell.lastOutcome = RunOutcome::kEndedEarly;
    ending = EarlyEnd(&error, view);
    if (shell.check) shell.check->problems.push_back(ProblemOf(0, error));
    else failure = current < 0 ? error.what() : LinePrefix(current + 1) + error.what();
  }
  CloseReporting(shell, slot.get());
  slot.reset();
  if (!failure.empty()) shell.ShowMessage(failure);
  shell.RecordLines.clear();
  const RunOutcome before = shell.lastOutcome;
  FinishWrites(shell);
  if (shell.lastOutcome != before) ending = "failed";  // the flush failed
  record.End(ending, shell.lastOutcome == RunOutcome::kCompleted ? 0 : shell.recordsDone + 1);
}

}  // namespace ModMain
