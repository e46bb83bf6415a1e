#include "cli/cli_view.h"

#include "common/encoding.h"
#include "common/messages.h"

#include <cstdio>

namespace cli {

bool CliView::StopRequested() const { return StopSignalled(); }

void CliView::WriteListLine(const std::string& line) {
  if (listCut_) return;
  if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size() || std::ferror(stdout)) {
    listCut_ = true;
  }
}

void CliView::ReportCutList() {
  if (std::fflush(stdout) != 0) listCut_ = true;
  if (!listCut_) return;
  Note("가져온 레코드 목록을 끝까지 쓰지 못했습니다 (출력이 닫혔습니다). 가져오기는 끝까지 했습니다.");
}

void CliView::Note(const std::string& text) {
  EndProgressLine();
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

CliView::CliView() : progressOnTerminal_(StderrIsTerminal()) {}

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
  WriteListLine(std::to_string(position) + "\t" + (position == pendingPosition_ ? pendingStatus_ : std::string()) +
                "\t" + ModMain::EscapeForLine(recordText) + "\n");
  pendingPosition_ = 0;
}

void CliView::FlushPendingRow() {
  if (pendingPosition_ == 0) return;
  WriteListLine(std::to_string(pendingPosition_) + "\t" + pendingStatus_ + "\t\n");
  pendingPosition_ = 0;
}

void CliView::SetRecordCount(int lines) {
  if (progressOnTerminal_) {
    EndProgressLine();
    std::fprintf(stderr, "%s\n", ModMain::RecordCountPanel(lines).c_str());
  }
}

void CliView::ClearCodeMap() {}

void CliView::AddCodeMapRow(const std::string&, const std::string&, const std::string&) {}

void CliView::ShowMessage(const std::string& text) {
  ++messagesShown_;
  FlushPendingRow();
  if (!listCut_ && std::fflush(stdout) != 0) listCut_ = true;
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
  if (!listCut_ && std::fflush(stdout) != 0) listCut_ = true;
  EndProgressLine();
}

}  // namespace cli
