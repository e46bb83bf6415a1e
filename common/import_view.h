// What the import core shows: the window's progress display, record list,
// status panel, code-map list and message boxes. The window, the command line
// and the tests each implement it. Every text is UTF-8.
#pragma once

#include <string>

namespace ModMain {

class ImportView {
 public:
  virtual ~ImportView() = default;

  // The phase: "파일읽기" while loading, "검사" while checking (its own
  // progress over the records), "데이터 인서트" while importing.
  virtual void SetPhaseCaption(const std::string& caption) = 0;
  virtual void SetProgressRange(int minimum, int maximum) = 0;
  virtual void SetProgressValue(int value) = 0;

  // The record list: rows numbered from 1, first column the status ("성공"),
  // second column the record text.
  virtual void ClearRecordList() = 0;
  virtual void AddRecordRow(int position, const std::string& status) = 0;
  virtual void SetRecordRowData(int position, const std::string& recordText) = 0;

  // The lines of the file loaded, for the first status panel (the command
  // line shows RecordCountPanel's "전체레코드수 : 250").
  virtual void SetRecordCount(int lines) = 0;

  // The code-map list (a mirror of Session::customerCodeMap).
  virtual void ClearCodeMap() = 0;
  virtual void AddCodeMapRow(const std::string& oldCode, const std::string& newCode,
                             const std::string& name) = 0;

  // A modal message box with an OK button only; returns when it is closed.
  // Lines are joined by CR LF.
  virtual void ShowMessage(const std::string& text) = 0;

  // True when the clerk stopped the run or closed the window: the run stops
  // after the current record and closes its tables.
  virtual bool StopRequested() const { return false; }
};

}  // namespace ModMain
