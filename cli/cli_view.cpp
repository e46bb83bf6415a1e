#include "cli/cli_view.h"

#include <cstdio>
#include <unistd.h>

namespace cli {

std::string EscapeRecordText(const std::string& text) {
  if (text.find_first_of("\\\r\n\t") == std::string::npos) return text;
  std::string escaped;
  escaped.reserve(text.size() + 8);
  for (char c : text) {
    switch (c) {
      case '\\': escaped += "\\\\"; break;
      case '\r': escaped += "\\r"; break;
      case '\n': escaped += "\\n"; break;
      case '\t': escaped += "\\t"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

CliView::CliView() : progressOnTerminal_(isatty(STDERR_FILENO) == 1) {}

void CliView::SetPhaseCaption(const std::string& caption) { caption_ = caption; }

void CliView::SetProgressRange(int, int maximum) {
  progressMaximum_ = maximum;
  lastPercentShown_ = -1;
}

void CliView::SetProgressValue(int value) {
  if (!progressOnTerminal_ || progressMaximum_ <= 0) return;
  // Redrawn only when the percentage moves: a terminal is slow to scroll.
  int percent = static_cast<int>(100LL * value / progressMaximum_);
  if (percent == lastPercentShown_) return;
  lastPercentShown_ = percent;
  std::fprintf(stderr, "\r%s %d/%d (%d%%)", caption_.c_str(), value, progressMaximum_, percent);
  std::fflush(stderr);
  progressLineOpen_ = true;
}

void CliView::EndProgressLine() {
  if (!progressLineOpen_) return;
  std::fputc('\n', stderr);
  progressLineOpen_ = false;
}

void CliView::ClearRecordList() { FlushPendingRow(); }

void CliView::AddRecordRow(int position, const std::string& status) {
  FlushPendingRow();
  pendingPosition_ = position;
  pendingStatus_ = status;
}

void CliView::SetRecordRowData(int position, const std::string& recordText) {
  if (position != pendingPosition_) FlushPendingRow();
  std::string line = std::to_string(position) + "\t" +
                     (position == pendingPosition_ ? pendingStatus_ : std::string()) + "\t" +
                     EscapeRecordText(recordText) + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
  pendingPosition_ = 0;
}

void CliView::FlushPendingRow() {
  if (pendingPosition_ == 0) return;
  std::printf("%d\t%s\t\n", pendingPosition_, pendingStatus_.c_str());
  pendingPosition_ = 0;
}

void CliView::SetRecordCountPanel(const std::string& text) {
  if (progressOnTerminal_) {
    EndProgressLine();
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}

void CliView::ClearCodeMap() {}

void CliView::AddCodeMapRow(const std::string&, const std::string&, const std::string&) {}

void CliView::ShowMessage(const std::string& text) {
  ++messagesShown_;
  FlushPendingRow();
  std::fflush(stdout);
  EndProgressLine();
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    shown += text[i];
  }
  std::fprintf(stderr, "%s\n", shown.c_str());
  std::fflush(stderr);
}

void CliView::Finish() {
  FlushPendingRow();
  std::fflush(stdout);
  EndProgressLine();
}

}  // namespace cli
