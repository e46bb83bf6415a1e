// Where an import run reports: the messages it shows and goes on after, how
// it ends early, and its progress. A real run's sink shows them
// (ShowingSink); the check's sink collects them as problems and shows
// nothing (import/checker.cpp). The run itself never asks which it has.
#pragma once

#include <string>

#include "common/import_view.h"
#include "common/run_end.h"

namespace ModMain {

// Why a run is ending before its last record.
struct EarlyEnd {
  RunEnd end = RunEnd::kFailed;  // kStopped, kRefused or kFailed
  int line = 0;                  // 1-based line of the record, 0 before the first
  std::string message;           // what the clerk reads; "" for a stop
  std::string field;             // the field or column of a refused value
  std::string text;              // its text (CP949)
  bool aboutRecord = false;      // the message follows "파일의 N번째 줄: "
};

class RunSink {
 public:
  virtual ~RunSink() = default;
  // A message the run shows and goes on after (a customer not found).
  virtual void Message(const std::string& text) = 0;
  // The run ends early; true: it goes on with the next record instead (the
  // check visits every record). Called once for every record that ends.
  virtual bool EndsEarly(const EarlyEnd& end) = 0;
  // The clerk asked the run to stop after the current record.
  virtual bool StopRequested() const { return false; }

  // What a run shows as it goes: the list prepared for `records` records, a
  // record saved (its list row and progress step), the code-map list.
  virtual void Started(int /*records*/) {}
  virtual void Saved(int /*line*/, const std::string& /*recordCp949*/) {}
  virtual void CodeMapCleared() {}
  virtual void CodeMapAdded(const std::string& /*oldCode*/, const std::string& /*newCode*/,
                            const std::string& /*name*/) {}
};

// A real run's sink: everything reaches the front end's view.
class ShowingSink : public RunSink {
 public:
  explicit ShowingSink(ImportView& view) : view_(view) {}
  void Message(const std::string& text) override;
  bool EndsEarly(const EarlyEnd& end) override;
  bool StopRequested() const override { return view_.StopRequested(); }
  void Started(int records) override;
  void Saved(int line, const std::string& recordCp949) override;
  void CodeMapCleared() override { view_.ClearCodeMap(); }
  void CodeMapAdded(const std::string& oldCode, const std::string& newCode, const std::string& name) override;

 private:
  ImportView& view_;
};

}  // namespace ModMain
