// An ImportView that records what the core shows, for tests of the shell.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/import_view.h"

struct RecordingView : ModMain::ImportView {
  struct Row {
    std::string status;
    std::string text;
  };

  std::vector<std::string> captions;
  int progressMinimum = -1;
  int progressMaximum = -1;
  int progressValue = -1;
  std::vector<int> progressValues;
  std::map<int, Row> rows;  // position -> row
  int clears = 0;
  std::string countPanel;
  std::vector<std::string> messages;
  std::vector<std::pair<std::string, std::string>> codeMap;
  int stopAfterRows = -1;  // StopRequested once this many rows exist

  void SetPhaseCaption(const std::string& caption) override { captions.push_back(caption); }
  void SetProgressRange(int minimum, int maximum) override {
    progressMinimum = minimum;
    progressMaximum = maximum;
  }
  void SetProgressValue(int value) override {
    progressValue = value;
    progressValues.push_back(value);
  }
  void ClearRecordList() override {
    rows.clear();
    ++clears;
  }
  void AddRecordRow(int position, const std::string& status) override {
    rows[position].status = status;
  }
  void SetRecordRowData(int position, const std::string& text) override {
    rows[position].text = text;
  }
  void SetRecordCountPanel(const std::string& text) override { countPanel = text; }
  void ClearCodeMap() override { codeMap.clear(); }
  void AddCodeMapRow(const std::string& oldCode, const std::string& newCode,
                     const std::string&) override {
    codeMap.emplace_back(oldCode, newCode);
  }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool StopRequested() const override {
    return stopAfterRows >= 0 && static_cast<int>(rows.size()) >= stopAfterRows;
  }
};
