// The one pipeline of an import, used by both front ends: load every step's
// file, judge the re-import guard, check them all, let the front end answer
// what the check found, run each step recorded in the journal (a step that
// ends early ends the plan), and offer to undo a run that ended early with
// rows saved. The front end answers the questions (PlanQuestions) and
// shows the progress (ImportView); the session is the plan's alone while it
// runs.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/file_check.h"
#include "common/import_run.h"
#include "common/journal_runs.h"
#include "common/run_journal.h"
#include "common/run_undo.h"

namespace ModMain {

// One KIND:FILE of the command line, or the window's chosen kind and file.
struct StepRequest {
  ImportKind kind = ImportKind::kGCustomers;
  std::string directory;  // raw bytes
  std::string fileName;   // raw bytes; "" when none was chosen
};

// A step as the plan goes through it.
struct PlanStep {
  StepRequest request;
  ExportFile file;  // its lines are let go after its run
  FileCheck check;
  ReimportApproval approval;  // a file the journal has as imported, which the front end let through
  RunReport report;           // of its run, when it ran
};

enum class PlanPhase { kLoading, kChecking, kImporting, kUndoing };

// What the plan asks and tells the front end between its stages. The window
// asks the clerk; the command line answers from its options.
class PlanQuestions {
 public:
  virtual ~PlanQuestions() = default;
  virtual void Phase(PlanPhase /*phase*/) {}
  // A step's file was checked (every step is checked before any is run).
  virtual void Checked(const PlanStep& /*step*/) {}
  // The check found problems in some of `steps`: nothing is imported.
  virtual void CheckRefused(const std::vector<PlanStep>& steps) = 0;
  // Most records of the step's file have another length than its kind's:
  // true imports it anyway.
  virtual bool ImportOtherLength(const PlanStep& step) = 0;
  // The lines of the journal that were skipped as damaged.
  virtual void JournalWarnings(const std::vector<std::string>& warnings) = 0;
  // The journal has the step's file as imported (or being imported): true
  // imports it again. Asked for every such step before any is refused.
  virtual bool ImportAgain(const PlanStep& step, const JournalRun& earlier) = 0;
  // Every step was checked and may be imported: true goes on, false writes
  // nothing. The window shows its preview here (import/preview.h).
  virtual bool ConfirmImport(const std::vector<PlanStep>& /*steps*/) { return true; }
  // A step's run ended (step.report says how).
  virtual void Ran(const PlanStep& /*step*/) {}
  // The last run ended early with rows saved: true takes them back.
  virtual bool UndoEarlyEnd(const PlanStep& /*step*/) { return false; }
};

struct PlanOptions {
  bool checkOnly = false;  // check every step, then end: nothing is written
  bool again = false;      // import files the journal has as imported without asking
};

struct PlanReport {
  // The end of the last run, or why no step ran; none when a step had no
  // file or a file of another name (nothing happened but the message).
  std::optional<RunEnd> end;
  std::vector<PlanStep> steps;     // the steps loaded, in order
  int ran = 0;                     // how many of them started their run
  // Nothing was imported because the front end said no, the check found
  // problems or was stopped ("가져오지 않음" rather than how it ended).
  bool notImported = false;
  std::optional<UndoResult> undo;  // of the last run, when the front end asked for it
  const PlanStep* LastRun() const { return ran > 0 ? &steps[static_cast<std::size_t>(ran - 1)] : nullptr; }
};

PlanReport RunPlan(Session& session, std::span<const StepRequest> requests, const PlanOptions& options,
                   ImportView& view, PlanQuestions& questions);

// "파일을 잘못 선택하셨습니다." CR LF "다시 파일을 선택하십시오." CR LF and what
// the kind expects ("골재 · 차량 파일: G차량.txt").
std::string WrongFileMessage(ImportKind kind);

}  // namespace ModMain
