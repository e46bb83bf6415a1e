// The command line's view of an import: the record list on stdout, message
// boxes on stderr, a progress line on stderr when it is a terminal.
#pragma once

#include <string>

#include "cli/console.h"
#include "common/import_view.h"

namespace cli {

class CliView : public ModMain::ImportView {
 public:
  CliView();

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
  bool StopRequested() const override;

  // Writes a row still waiting for its text and ends the progress line.
  void Finish();
  // Says once, on stderr, that the list could not all be written (a closed
  // pipe, a full disk): the import itself went on to its end.
  void ReportCutList();
  // A line on stderr that is no message box (a check's findings, a stop).
  void Note(const std::string& text);
  // Every message box shown, whoever showed it.
  int MessagesShown() const { return messagesShown_; }

 private:
  void FlushPendingRow();
  void EndProgressLine();

  bool progressOnTerminal_;
  std::string caption_;
  int progressMaximum_ = 0;
  int lastPercentShown_ = -1;
  bool progressLineOpen_ = false;
  int pendingPosition_ = 0;  // 0: none
  std::string pendingStatus_;
  int messagesShown_ = 0;
  bool listCut_ = false;

  void WriteListLine(const std::string& line);
};


}  // namespace cli
