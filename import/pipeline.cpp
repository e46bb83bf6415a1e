#include "import/pipeline.h"

#include <algorithm>
#include <exception>

#include "common/encoding.h"
#include "common/errors.h"
#include "common/loader.h"
#include "common/messages.h"
#include "dbf/os/folders.h"
#include "import/checker.h"
#include "import/kinds.h"

namespace ModMain {
namespace {

class Plan {
 public:
  Plan(Session& session, const PlanOptions& options, ImportView& view, PlanQuestions& questions)
      : session_(session), options_(options), view_(view), questions_(questions) {}

  PlanReport Run(std::span<const StepRequest> requests) {
    try {
      for (const StepRequest& request : requests)
        if (!Load(request)) return std::move(report_);
      // Before the check: a file another program is importing now holds the
      // locks the check would wait for.
      if (!options_.checkOnly && !Guard()) return NotImported(RunEnd::kStopped);
      Check();
      if (view_.StopRequested()) return NotImported(RunEnd::kStopped);
      if (!Decide()) return NotImported(*report_.end);
      if (options_.checkOnly) return Ended(RunEnd::kCompleted);
      if (!questions_.ConfirmImport(report_.steps)) return NotImported(RunEnd::kStopped);
      RunSteps();
      OfferUndo();
    } catch (const std::exception& error) {
      view_.ShowMessage(error.what());
      report_.end = RunEnd::kFailed;
    }
    return std::move(report_);
  }

 private:
  PlanReport Ended(RunEnd end) {
    report_.end = end;
    return std::move(report_);
  }
  PlanReport NotImported(RunEnd end) {
    report_.notImported = true;
    return Ended(end);
  }

  // Tests the (raw) file name against the kind and loads the file. No name
  // shows the no-file message, a wrong one the wrong-file message: the plan
  // ends with nothing done. A load failure shows its description.
  bool Load(const StepRequest& request) {
    const KindInfo& info = KindInfoOf(request.kind);
    if (request.fileName.empty()) {
      view_.ShowMessage(NoFileChosenMessage(KindLabel(request.kind), info.nameRule));
      return false;
    }
    if (!FileNameFits(request.kind, DecodeFileName(request.fileName))) {
      view_.ShowMessage(WrongFileMessage(request.kind));
      return false;
    }
    questions_.Phase(PlanPhase::kLoading);  // a file of the kind's name: the run starts
    try {
      const LoadLimits limits = LimitsForRecordLength(info.recordLength);
      ExportFile file = LoadExportFile(request.directory + "/" + request.fileName, limits, view_);
      file.kind = request.kind;
      // The name the journal keeps.
      file.identity.path = dbf::os::JoinPath(CanonicalDirectory(request.directory), request.fileName);
      report_.steps.push_back({request, std::move(file), {}, {}, {}});
    } catch (const std::exception& error) {
      view_.ShowMessage(error.what());
      report_.end = RunEnd::kFailed;
      return false;
    }
    return true;
  }

  // Every step is checked, in order, before the first one writes anything.
  void Check() {
    questions_.Phase(PlanPhase::kChecking);
    Session check = session_.ForCheck();
    for (PlanStep& step : report_.steps) {
      step.check = CheckFile(check, step.file, &view_);
      if (view_.StopRequested()) return;  // a stopped check decides nothing
      questions_.Checked(step);
    }
  }

  // Problems refuse every step; a file of another record length is the
  // front end's to decide.
  bool Decide() {
    const auto hasProblems = [](const PlanStep& step) { return !step.check.problems.empty(); };
    if (std::any_of(report_.steps.begin(), report_.steps.end(), hasProblems)) {
      questions_.CheckRefused(report_.steps);
      report_.end = RunEnd::kFailed;
      return false;
    }
    for (const PlanStep& step : report_.steps)
      if (step.check.foundRecordLength != 0 && !questions_.ImportOtherLength(step)) {
        report_.end = RunEnd::kStopped;
        return false;
      }
    return true;
  }

  // The re-import guard's first look, at every step: a file the journal has
  // as imported runs only when the front end says so.
  bool Guard() {
    // Without a connection the runs end at the missing table directory;
    // without a journal (the front ends keep one) there is nothing to judge.
    if (!session_.journal || !session_.SharedConnection) return true;
    const JournalContents journal = ReadJournal(*session_.journal);
    if (!journal.warnings.empty()) questions_.JournalWarnings(journal.warnings);
    const std::string directory = CanonicalDirectory(session_.SharedConnection->Directory());
    bool importing = true;
    for (PlanStep& step : report_.steps) {
      step.approval.always = options_.again;
      if (options_.again) continue;
      const auto earlier = FindEarlierRun(journal, directory, step.file.kind, step.file.identity.sha256);
      if (!earlier) continue;
      if (questions_.ImportAgain(step, *earlier)) step.approval.earlierRun = earlier->id;
      else importing = false;
    }
    if (!importing) report_.end = RunEnd::kStopped;
    return importing;
  }

  // Each step in order; one that ends early ends the plan.
  void RunSteps() {
    questions_.Phase(PlanPhase::kImporting);
    for (PlanStep& step : report_.steps) {
      ++report_.ran;
      step.report = Execute(step);
      step.file.RecordLines = {};
      report_.end = step.report.end;
      questions_.Ran(step);
      if (step.report.end != RunEnd::kCompleted) return;
    }
  }

  // One run of the step's routine, recorded in the journal.
  RunReport Execute(PlanStep& step) {
    ShowingSink sink(view_);
    ModMain::Run run{session_, step.file, sink, {}};
    RunRecord record(run);
    try {
      RequireUnchanged(step.file.identity);  // the file the check passed is the file imported
      record.Begin(step.approval);
    } catch (const ImportFailure& refused) {
      sink.Message(refused.what());
      run.report.end = RunEnd::kRefused;
      return run.report;
    } catch (const std::exception& error) {
      sink.Message(error.what());
      run.report.end = RunEnd::kFailed;
      return run.report;
    }
    KindInfoOf(step.file.kind).routine(run);
    FinishWrites(run);
    record.End();
    return run.report;
  }

  // The rows of a run that ended early: the front end may take them back.
  void OfferUndo() {
    const PlanStep* last = report_.LastRun();
    if (!last || last->report.end == RunEnd::kCompleted || last->report.runId.empty() ||
        last->report.RowsSaved() == 0 || !questions_.UndoEarlyEnd(*last))
      return;
    questions_.Phase(PlanPhase::kUndoing);
    try {
      report_.undo = UndoRun(*session_.journal, last->report.runId, session_.tableDirectory);
    } catch (const std::exception& error) {
      view_.ShowMessage(error.what());
    }
  }

  Session& session_;
  const PlanOptions& options_;
  ImportView& view_;
  PlanQuestions& questions_;
  PlanReport report_;
};

}  // namespace

PlanReport RunPlan(Session& session, std::span<const StepRequest> requests, const PlanOptions& options,
                   ImportView& view, PlanQuestions& questions) {
  return Plan(session, options, view, questions).Run(requests);
}

std::string WrongFileMessage(ImportKind kind) {
  return std::string(kWrongFileMessage) + "\r\n" + KindLabel(kind) + " 파일: " + KindInfoOf(kind).nameRule;
}

}  // namespace ModMain
