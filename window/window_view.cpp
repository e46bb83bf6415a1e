#include "window/window_view.h"

#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <optional>
#include <utility>

namespace window {
namespace {

constexpr int kDrainDelayMs = 15;

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

WindowView::WindowView(DisplayControls controls, MessageBoxFunction messageBox, QObject* parent)
    : QObject(parent), controls_(controls), messageBox_(std::move(messageBox)) {
  drainTimer_.setSingleShot(true);
  drainTimer_.setInterval(kDrainDelayMs);
  connect(&drainTimer_, &QTimer::timeout, this, &WindowView::Drain);
}

void WindowView::SetPhaseCaption(const std::string& caption) {
  Post({OpType::kCaption, 0, 0, FromUtf8(caption), {}, {}});
}
void WindowView::SetProgressRange(int minimum, int maximum) {
  Post({OpType::kRange, minimum, maximum, {}, {}, {}});
}
void WindowView::SetProgressValue(int value) { Post({OpType::kValue, value, 0, {}, {}, {}}); }
void WindowView::ClearRecordList() { Post({OpType::kClear, 0, 0, {}, {}, {}}); }
void WindowView::AddRecordRow(int position, const std::string& status) {
  Post({OpType::kAddRow, position, 0, FromUtf8(status), {}, {}});
}
void WindowView::SetRecordRowData(int position, const std::string& recordText) {
  Post({OpType::kRowData, position, 0, FromUtf8(recordText), {}, {}});
}
void WindowView::SetRecordCountPanel(const std::string& text) {
  Post({OpType::kCountPanel, 0, 0, FromUtf8(text), {}, {}});
}
void WindowView::ClearCodeMap() { Post({OpType::kClearCodeMap, 0, 0, {}, {}, {}}); }
void WindowView::AddCodeMapRow(const std::string& oldCode, const std::string& newCode,
                               const std::string& name) {
  Post({OpType::kAddCodeMap, 0, 0, FromUtf8(oldCode), FromUtf8(newCode), FromUtf8(name)});
}

void WindowView::ShowMessage(const std::string& text) {
  const QString message = FromUtf8(text);
  auto show = [this, message] {
    Drain();  // the clerk sees the list and progress as they stood at the failure
    messageBox_(message);
  };
  if (QThread::currentThread() == thread()) {
    show();
  } else {
    // The worker waits here until OK is pressed, as the run would on one thread.
    QMetaObject::invokeMethod(this, show, Qt::BlockingQueuedConnection);
  }
}

// The run's thread is not the window's: the window keeps processing its own
// events, so there is nothing to do here.

void WindowView::Post(Op op) {
  bool schedule = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(op));
    schedule = !drainScheduled_;
    drainScheduled_ = true;
  }
  if (QThread::currentThread() == thread()) {
    Drain();
  } else if (schedule) {
    // At most one drain is pending, so a fast run cannot flood the event
    // queue; the short delay gathers rows into batches and keeps the window
    // from repainting for every record.
    QMetaObject::invokeMethod(
        this, [this] { drainTimer_.start(); }, Qt::QueuedConnection);
  }
}

void WindowView::Drain() {
  std::vector<Op> ops;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ops.swap(queue_);
    drainScheduled_ = false;
  }
  if (!ops.empty()) Apply(ops);
}

void WindowView::Apply(std::vector<Op>& ops) {
  RecordListModel* model = controls_.recordList;
  std::vector<RecordRow> batch;
  int batchFirst = 0;
  bool rowsAdded = false;
  auto flush = [&] {
    if (batch.empty()) return;
    model->InsertRows(batchFirst, std::move(batch));
    batch.clear();
    rowsAdded = true;
  };
  std::optional<int> pendingValue;
  auto applyValue = [&] {
    if (pendingValue) ApplyValue(*pendingValue);
    pendingValue.reset();
  };
  auto inBatch = [&](int row) {
    return !batch.empty() && row >= batchFirst && row < batchFirst + static_cast<int>(batch.size());
  };

  for (Op& op : ops) {
    switch (op.type) {
      case OpType::kAddRow: {
        const int at = op.a - 1;  // positions count from 1
        if (batch.empty() || at != batchFirst + static_cast<int>(batch.size())) {
          flush();
          batchFirst = std::clamp(at, 0, model->rowCount());
        }
        batch.push_back({std::move(op.s1), {}});
        break;
      }
      case OpType::kRowData:
        if (inBatch(op.a - 1)) {
          batch[static_cast<std::size_t>(op.a - 1 - batchFirst)].data = std::move(op.s1);
        } else {
          flush();
          model->SetRecordData(op.a - 1, op.s1);
        }
        break;
      case OpType::kClear:
        batch.clear();
        model->Clear();
        break;
      case OpType::kValue:
        // Only the last value before a range change is worth drawing: a
        // progress bar repaints at once on every visible step.
        pendingValue = op.a;
        break;
      case OpType::kRange:
        applyValue();
        ApplyRange(op.a, op.b);
        break;
      case OpType::kCaption:
        controls_.phaseLabel->setText(op.s1);
        break;
      case OpType::kCountPanel:
        controls_.recordCountPanel->setText(op.s1);
        break;
      case OpType::kClearCodeMap:
        controls_.codeMapList->clear();
        break;
      case OpType::kAddCodeMap:
        controls_.codeMapList->addTopLevelItem(new QTreeWidgetItem({op.s1, op.s2, op.s3}));
        break;
    }
  }
  flush();
  applyValue();
  if (rowsAdded && controls_.recordListView) controls_.recordListView->scrollToBottom();
}

void WindowView::ApplyRange(int minimum, int maximum) {
  logicalMinimum_ = minimum;
  logicalMaximum_ = maximum;
  if (maximum <= minimum) {
    // An empty range would make QProgressBar show its busy animation; a
    // one-line file imports nothing, so show an empty bar instead.
    controls_.progressBar->setRange(0, 1);
    controls_.progressBar->setValue(0);
  } else {
    controls_.progressBar->setRange(minimum, maximum);
  }
}

void WindowView::ApplyValue(int value) {
  if (logicalMaximum_ <= logicalMinimum_) {
    controls_.progressBar->setValue(0);
  } else {
    controls_.progressBar->setValue(std::clamp(value, logicalMinimum_, logicalMaximum_));
  }
}

}  // namespace window
