// The window side of ImportView. The import runs on a worker thread: its
// display calls gather in a typed batch that the worker posts to the
// window's thread (QMetaObject::invokeMethod) when it is 15 ms old and the
// window has applied the previous one, so a fast run sends a few large
// batches (one model insert each) and a slow one shows every row at once. A
// message box blocks the worker until the clerk presses OK.
//
// One thread at a time calls the display operations: the worker during a
// run, the window's thread otherwise (those are applied at once).
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <optional>
#include <utility>
#include <vector>

#include "common/import_view.h"
#include "window/code_map_model.h"
#include "window/dialogs.h"
#include "window/record_list_model.h"

class QLabel;
class QProgressBar;
class QTreeView;

namespace window {

// The controls the core writes to.
struct DisplayControls {
  QLabel* phaseLabel = nullptr;        // Label2
  QProgressBar* progressBar = nullptr; // ProgressBar1
  RecordListModel* recordList = nullptr;
  QTreeView* recordListView = nullptr; // ListView1
  QLabel* recordCountPanel = nullptr;  // StatusBar1, first panel
  CodeMapModel* codeMap = nullptr;     // listHyun's
};

// What changed on the display since the last batch. Only the last caption,
// range and value count; rows are kept in order.
struct DisplayBatch {
  bool clearList = false;  // the record list is emptied before `rows` go in
  int firstRow = 0;        // 0-based position of rows[0]
  std::vector<RecordRow> rows;
  std::vector<std::pair<int, QString>> rowData;  // record texts of rows shown already
  std::optional<QString> caption;
  std::optional<QString> countPanel;
  std::optional<std::pair<int, int>> range;
  std::optional<int> value;  // applied after `range`
  bool clearCodeMap = false;
  std::vector<CodeMapRow> codeMapRows;
};

class WindowView : public QObject, public ModMain::ImportView {
  Q_OBJECT
 public:
  WindowView(DisplayControls controls, MessageBoxFunction messageBox, QObject* parent = nullptr);

  void SetPhaseCaption(const std::string& caption) override;
  void SetProgressRange(int minimum, int maximum) override;
  void SetProgressValue(int value) override;
  void ClearRecordList() override;
  void AddRecordRow(int position, const std::string& status) override;
  void SetRecordRowData(int position, const std::string& recordText) override;
  void SetRecordCount(int lines) override;
  void ClearCodeMap() override;
  void AddCodeMapRow(const std::string& oldCode, const std::string& newCode,
                     const std::string& name) override;
  void ShowMessage(const std::string& text) override;
  bool StopRequested() const override { return stop_.load(); }

  // Every message box the core showed, whoever showed it.
  int MessagesShown() const { return messagesShown_.load(); }
  void RequestStop() { stop_ = true; }
  void ClearStop() { stop_ = false; }

  // Sends what is gathered now: the worker calls it before it ends, so the
  // window has every row before it learns that the run ended.
  void Flush();

 private:
  // After every change of the batch: sends it when it is due and `mayGo`.
  void Changed(bool mayGo = true);
  void Apply(DisplayBatch& batch);
  void WidenRecordColumn(const QString& text);
  void ApplyRange(int minimum, int maximum);
  void ApplyValue(int value);

  DisplayControls controls_;
  MessageBoxFunction messageBox_;
  std::atomic<bool> stop_{false};
  std::atomic<int> messagesShown_{0};

  DisplayBatch pending_;          // the calling thread's
  QElapsedTimer pendingSince_;    // started with the batch's first change
  std::atomic<bool> inFlight_{false};  // a posted batch the window has not applied

  int logicalMinimum_ = 0;
  int logicalMaximum_ = 100;
};

}  // namespace window
