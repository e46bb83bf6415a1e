// An ImportView that records what the core shows, for tests of the core.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/import_view.h"

struct RecordingView : ModMain::ImportView {
  struct Row {
    std::string status;
    std::string text;
  };
  std::vector<std::string> captions;
  int progressMaximum = -1;
  std::vector<int> progressValues;
  std::map<int, Row> rows;  // position -> row
  int countPanel = -1;  // lines of the file loaded
  std::vector<std::string> messages;

  void SetPhaseCaption(const std::string& caption) override { captions.push_back(caption); }
  void SetProgressRange(int, int maximum) override { progressMaximum = maximum; }
  void SetProgressValue(int value) override { progressValues.push_back(value); }
  void ClearRecordList() override { rows.clear(); }
  void AddRecordRow(int position, const std::string& status) override { rows[position].status = status; }
  void SetRecordRowData(int position, const std::string& text) override { rows[position].text = text; }
  void SetRecordCount(int lines) override { countPanel = lines; }
  void ClearCodeMap() override {}
  void AddCodeMapRow(const std::string&, const std::string&, const std::string&) override {}
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
};
