// The one shape of every import run.
#include "common/import_run.h"

#include <exception>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/fields.h"

namespace ModMain {
namespace {

const char* const kInsertCaption = "데이터 인서트";
const char* const kSuccessStatus = "성공";

// Closes and releases the run's recordset. A failing close is reported, not
// swallowed.
void CloseAndRelease(ImportShell& shell, std::unique_ptr<dbf::Recordset>& recordset) {
  if (!recordset) return;
  try {
    if (recordset->State() == dbf::kStateOpen) recordset->Close();
  } catch (const std::exception& error) {
    shell.ShowMessage(error.what());
  }
  recordset.reset();
}

std::string WithLineNumber(int index, const std::string& description) {
  if (index < 0) return description;
  return LinePrefix(index + 1) + description;
}

// Written rows reach the disk at the end of every run, and the indexes the
// table layer did not keep current are named once.
void FinishWrites(ImportShell& shell) {
  if (!shell.SharedConnection) return;
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
  if (stale.empty()) return;
  std::string list;
  for (const dbf::StaleIndex& index : stale)
    list += "\r\n- " + Cp949ToUtf8(index.table) + "의 " + Cp949ToUtf8(index.index) + ": " + index.reason;
  shell.ShowMessage("행을 추가한 테이블의 다음 색인은 갱신하지 않았습니다." + list +
                    "\r\n사용하기 전에 응용 프로그램에서 이 색인을 다시 만드십시오.");
}

}  // namespace

std::string LinePrefix(int lineNumber) {
  return "파일의 " + std::to_string(lineNumber) + "번째 줄: ";
}

void RecordContext::AddRow() { AddRow(recordset); }

namespace {

// Hands the shell's view to SetBlankDefaults with its messages counted by the
// shell, like every other message of a run.
class CountingView : public ImportView {
 public:
  explicit CountingView(ImportShell& shell) : shell_(shell), view_(shell.view) {}
  void SetPhaseCaption(const std::string& caption) override { view_.SetPhaseCaption(caption); }
  void SetProgressRange(int minimum, int maximum) override {
    view_.SetProgressRange(minimum, maximum);
  }
  void SetProgressValue(int value) override { view_.SetProgressValue(value); }
  void ClearRecordList() override { view_.ClearRecordList(); }
  void AddRecordRow(int position, const std::string& status) override {
    view_.AddRecordRow(position, status);
  }
  void SetRecordRowData(int position, const std::string& text) override {
    view_.SetRecordRowData(position, text);
  }
  void SetRecordCountPanel(const std::string& text) override { view_.SetRecordCountPanel(text); }
  void ClearCodeMap() override { view_.ClearCodeMap(); }
  void AddCodeMapRow(const std::string& oldCode, const std::string& newCode,
                     const std::string& name) override {
    view_.AddCodeMapRow(oldCode, newCode, name);
  }
  void ShowMessage(const std::string& text) override { shell_.ShowMessage(text); }
  void ProcessEvents() override { view_.ProcessEvents(); }
  bool StopRequested() const override { return view_.StopRequested(); }

 private:
  ImportShell& shell_;
  ImportView& view_;
};

}  // namespace

void RecordContext::AddRow(dbf::Recordset& other) {
  other.AddNew();
  CountingView view(shell);
  SetBlankDefaults(other, view);
}

void RunImport(ImportShell& shell, const RunShape& settings, const RecordStep& step) {
  ImportView& view = shell.view;
  std::unique_ptr<dbf::Recordset>& slot =
      settings.useSiteRecordset ? shell.SiteRecordset : shell.SharedRecordset;
  int current = -1;  // index of the record in progress, -1 before the loop
  try {
    slot = std::make_unique<dbf::Recordset>();
    slot->SetCursorType(dbf::kCursorKeyset);
    slot->SetLockType(dbf::kLockOptimistic);

    if (!settings.fixedTable.empty()) {
      if (!settings.missingTableLabel.empty() && !TableExists(shell, settings.fixedTable)) {
        // Before the display is touched: list and progress keep the last run.
        shell.ShowMessage(MissingTableMessage(settings.missingTableLabel));
        throw RunEnded{};
      }
      OpenTable(shell, *slot, settings.fixedTable);
    }

    // The last line of an export file is its trailer, except in the site file.
    const int count = static_cast<int>(shell.RecordLines.size());
    const int last = settings.includeLastLine ? count - 1 : count - 2;
    view.SetPhaseCaption(kInsertCaption);
    // The bar's maximum is the number of records visited, so it ends full.
    view.SetProgressRange(0, last >= 0 ? last + 1 : 0);
    view.ClearRecordList();
    if (settings.afterPrepare) settings.afterPrepare(shell);

    for (int i = 0; i <= last; ++i) {
      // A close of the window during the load or the previous record stops here.
      if (view.StopRequested()) throw RunEnded{};
      current = i;
      const std::string& record = shell.RecordLines[static_cast<std::size_t>(i)];
      RecordContext context{shell, *slot, i, record};
      step(context);
      view.AddRecordRow(i + 1, kSuccessStatus);
      view.SetRecordRowData(i + 1, Cp949ToUtf8(record));
      if (settings.yieldPerRecord) view.ProcessEvents();
      view.SetProgressValue(i + 1);
    }
    current = -1;

    CloseAndRelease(shell, slot);
    if (settings.freeRecordLines) shell.RecordLines.assign(1, std::string());
    shell.lastOutcome = RunOutcome::kCompleted;
  } catch (const RunEnded&) {
    CloseAndRelease(shell, slot);
    shell.lastOutcome = RunOutcome::kEndedEarly;
  } catch (const std::exception& error) {
    // ImportFailure, dbf::Error and whatever else a step raises.
    CloseAndRelease(shell, slot);
    shell.lastOutcome = RunOutcome::kEndedEarly;
    shell.ShowMessage(WithLineNumber(current, error.what()));
  }
  FinishWrites(shell);
}

}  // namespace ModMain
