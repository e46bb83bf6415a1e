// The window side of ImportView. The import runs on a worker thread; every
// display call is queued and applied on the window's thread in batches (one
// model insert for many list rows), and a message box blocks the worker until
// the clerk presses OK.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "common/import_view.h"
#include "window/record_list_model.h"

class QLabel;
class QProgressBar;
class QTreeView;
class QTreeWidget;

namespace window {

// Shows a modal message box with an OK button only; returns when it closes.
using MessageBoxFunction = std::function<void(const QString& text)>;

// The controls the core writes to.
struct DisplayControls {
  QLabel* phaseLabel = nullptr;        // Label2
  QProgressBar* progressBar = nullptr; // ProgressBar1
  RecordListModel* recordList = nullptr;
  QTreeView* recordListView = nullptr; // ListView1
  QLabel* recordCountPanel = nullptr;  // StatusBar1, first panel
  QTreeWidget* codeMapList = nullptr;  // listHyun
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
  void SetRecordCountPanel(const std::string& text) override;
  void ClearCodeMap() override;
  void AddCodeMapRow(const std::string& oldCode, const std::string& newCode,
                     const std::string& name) override;
  void ShowMessage(const std::string& text) override;
  bool StopRequested() const override { return stop_.load(); }

  void RequestStop() { stop_ = true; }
  void ClearStop() { stop_ = false; }

  // Applies every queued display call (window thread only).
  void Drain();

  // The range the core asked for (the bar shows 0..1 for an empty range).
  int LogicalMaximum() const { return logicalMaximum_; }

 private:
  enum class OpType { kCaption, kRange, kValue, kClear, kAddRow, kRowData, kCountPanel,
                      kClearCodeMap, kAddCodeMap };
  struct Op {
    OpType type;
    int a = 0;
    int b = 0;
    QString s1, s2, s3;
  };

  void Post(Op op);
  void Apply(std::vector<Op>& ops);
  void ApplyRange(int minimum, int maximum);
  void ApplyValue(int value);

  DisplayControls controls_;
  MessageBoxFunction messageBox_;
  std::atomic<bool> stop_{false};

  std::mutex mutex_;
  std::vector<Op> queue_;
  bool drainScheduled_ = false;
  QTimer drainTimer_;

  int logicalMinimum_ = 0;
  int logicalMaximum_ = 100;
};

}  // namespace window
