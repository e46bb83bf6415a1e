#include "window/window_view.h"

#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QTreeView>
#include <algorithm>

#include "window/run_texts.h"

namespace window {
namespace {

constexpr int kBatchMs = 15;

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Columns the text takes in a fixed-pitch Korean font: wide letters two.
int Columns(const QString& text) {
  int columns = 0;
  for (QChar c : text) columns += c.unicode() >= 0x1100 ? 2 : 1;
  return columns;
}

}  // namespace

WindowView::WindowView(DisplayControls controls, MessageBoxFunction messageBox, QObject* parent)
    : QObject(parent), controls_(controls), messageBox_(std::move(messageBox)) {}

void WindowView::SetPhaseCaption(const std::string& caption) {
  pending_.caption = FromUtf8(caption);
  Changed();
}

void WindowView::SetProgressRange(int minimum, int maximum) {
  pending_.range = {minimum, maximum};
  pending_.value.reset();  // a value belongs to the range before it
  Changed();
}

void WindowView::SetProgressValue(int value) {
  pending_.value = value;
  Changed();
}

void WindowView::ClearRecordList() {
  pending_.clearList = true;
  pending_.firstRow = 0;
  pending_.rows.clear();
  pending_.rowData.clear();
  Changed();
}

void WindowView::AddRecordRow(int position, const std::string& status) {
  DisplayBatch& b = pending_;
  const int at = position - 1;  // positions count from 1
  if (!b.rows.empty() && at != b.firstRow + static_cast<int>(b.rows.size())) Flush();
  if (b.rows.empty()) b.firstRow = at;
  b.rows.push_back({FromUtf8(status), {}});
  Changed(/*mayGo=*/false);  // the row goes out with its record text, which comes next
}

void WindowView::SetRecordRowData(int position, const std::string& recordText) {
  DisplayBatch& b = pending_;
  const int at = position - 1;
  if (at >= b.firstRow && at < b.firstRow + static_cast<int>(b.rows.size()))
    b.rows[static_cast<std::size_t>(at - b.firstRow)].data = FromUtf8(recordText);
  else
    b.rowData.emplace_back(at, FromUtf8(recordText));
  Changed();
}

void WindowView::SetRecordCount(int lines) {
  pending_.countPanel = LineCountText(lines);
  Changed();
}

void WindowView::ClearCodeMap() {
  pending_.clearCodeMap = true;
  pending_.codeMapRows.clear();
  Changed();
}

void WindowView::AddCodeMapRow(const std::string& oldCode, const std::string& newCode, const std::string& name) {
  pending_.codeMapRows.push_back({FromUtf8(oldCode), FromUtf8(newCode), FromUtf8(name)});
  Changed();
}

void WindowView::ShowMessage(const std::string& text) {
  ++messagesShown_;
  // The clerk sees the list and progress as they stood when the message came.
  Flush();
  const QString message = FromUtf8(text);
  if (QThread::currentThread() == thread()) {
    messageBox_(message);
  } else {
    // The worker waits here until OK is pressed, as the run would on one thread.
    QMetaObject::invokeMethod(this, [this, message] { messageBox_(message); }, Qt::BlockingQueuedConnection);
  }
}

void WindowView::Changed(bool mayGo) {
  if (!pendingSince_.isValid()) pendingSince_.start();
  if (QThread::currentThread() == thread() || (mayGo && pendingSince_.elapsed() >= kBatchMs && !inFlight_)) Flush();
}

void WindowView::Flush() {
  if (!pendingSince_.isValid()) return;  // nothing changed since the last batch
  pendingSince_.invalidate();
  DisplayBatch batch = std::exchange(pending_, DisplayBatch{});
  if (QThread::currentThread() == thread()) {
    Apply(batch);
    return;
  }
  inFlight_ = true;
  QMetaObject::invokeMethod(
      this, [this, batch = std::move(batch)]() mutable { Apply(batch); }, Qt::QueuedConnection);
}

void WindowView::Apply(DisplayBatch& b) {
  RecordListModel* model = controls_.recordList;
  QHeaderView* header = controls_.recordListView->header();
  if (b.clearList) {
    model->Clear();
    header->resizeSection(1, header->sectionSizeHint(1));
  }
  // Only the text that looks widest is measured.
  const QString* widest = nullptr;
  int most = -1;
  auto consider = [&](const QString& text) {
    if (const int columns = Columns(text); columns > most) {
      most = columns;
      widest = &text;
    }
  };
  for (const RecordRow& row : b.rows) consider(row.data);
  for (const auto& entry : b.rowData) consider(entry.second);
  if (widest) WidenRecordColumn(*widest);
  const bool rowsAdded = !b.rows.empty();
  model->InsertRows(b.firstRow, std::move(b.rows));
  for (const auto& [row, text] : b.rowData) model->SetRecordData(row, text);
  if (b.range) ApplyRange(b.range->first, b.range->second);
  if (b.value) ApplyValue(*b.value);
  if (b.caption) controls_.phaseLabel->setText(*b.caption);
  if (b.countPanel) controls_.recordCountPanel->setText(*b.countPanel);
  if (b.clearCodeMap) controls_.codeMap->Clear();
  controls_.codeMap->Append(std::move(b.codeMapRows));
  if (rowsAdded) controls_.recordListView->scrollToBottom();
  inFlight_ = false;
}

// The record column is as wide as the longest record of the run, so no
// record is cut off; the list scrolls sideways instead.
void WindowView::WidenRecordColumn(const QString& text) {
  QTreeView* view = controls_.recordListView;
  const int width = view->fontMetrics().horizontalAdvance(text) + view->fontMetrics().averageCharWidth() * 2;
  if (width > view->header()->sectionSize(1)) view->header()->resizeSection(1, width);
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
