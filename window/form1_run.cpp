// Form1's run: the import pipeline on a worker (QtConcurrent), whose result
// comes back through a QFutureWatcher; its questions asked here while the
// worker waits; the end shown; an undo likewise on a worker.
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <exception>

#include "common/journal_runs.h"
#include "common/messages.h"
#include "window/form1.h"
#include "window/journal_texts.h"
#include "window/path_bytes.h"

namespace window {

// Called on the worker: each question and notice is put to the window's
// thread, and the worker waits for it.
class Form1::Questions : public ModMain::PlanQuestions {
 public:
  explicit Questions(Form1& form) : form_(form) {}

  void Phase(ModMain::PlanPhase phase) override {
    using P = Form1::Phase;
    static constexpr P kPhases[] = {P::kLoading, P::kChecking, P::kImporting, P::kUndoing};
    OnWindow([this, phase] {
      form_.SetPhase(kPhases[static_cast<int>(phase)]);
      if (phase == ModMain::PlanPhase::kLoading) form_.ClearRunDisplay();
    });
  }
  bool ConfirmImport(const std::vector<ModMain::PlanStep>& steps) override {
    bool going = true;
    for (const ModMain::PlanStep& step : steps) OnWindow([&] { going = going && form_.ConfirmImport(step); });
    return going;
  }
  void CheckRefused(const std::vector<ModMain::PlanStep>& steps) override {
    for (const ModMain::PlanStep& step : steps) {
      if (step.check.problems.empty()) continue;
      const QString heading = ProblemListHeading(step.file.kind, step.check.problems.size());
      OnWindow([&] {
        if (!form_.destroying_) form_.settings_.problemList(heading, step.check.problems);
      });
    }
  }
  bool ImportOtherLength(const ModMain::PlanStep& step) override {
    return Ask(RecordLengthQuestion(step.file.kind, step.check));
  }
  void JournalWarnings(const std::vector<std::string>& warnings) override {
    form_.view_->ShowMessage(JournalWarningsText(warnings).toStdString());
  }
  bool ImportAgain(const ModMain::PlanStep&, const ModMain::JournalRun& earlier) override {
    return Ask(QString::fromStdString(ModMain::AlreadyImportedQuestion(earlier)));
  }
  // The phase label and summary first: the clerk decides on what they say.
  bool UndoEarlyEnd(const ModMain::PlanStep& step) override {
    OnWindow([&] { form_.ShowRunEnd(step.report.end, &step); });
    return Ask(UndoOfferQuestion(step.report.end, step.report.rowsSaved));
  }

 private:
  template <typename Call>
  void OnWindow(Call call) {
    form_.view_->Flush();  // the clerk sees the list as it stands
    QMetaObject::invokeMethod(&form_, call, Qt::BlockingQueuedConnection);
  }
  bool Ask(const QString& question) {
    bool yes = false;
    OnWindow([&] { yes = form_.Ask(question); });
    return yes;
  }

  Form1& form_;
};

void Form1::ConnectWorkers() {
  questions_ = std::make_unique<Questions>(*this);
  connect(&runWorker_, &QFutureWatcherBase::finished, this, [this] { OnRunEnded(runWorker_.result()); });
  connect(&undoWorker_, &QFutureWatcherBase::finished, this, [this] { OnUndone(undoWorker_.result()); });
}

Form1::~Form1() {
  WaitForWorker();
  if (!unloaded_) Form_Unload();
}

void Form1::SetPhase(Phase phase) { phase_ = phase; }

void Form1::StartRun(const ModMain::StepRequest& request) {
  SetPhase(Phase::kLoading);
  Command2->setEnabled(false);
  CommandStop->setEnabled(true);
  CommandUndo->setEnabled(false);
  view_->ClearStop();
  display_ = {};
  display_.messagesBefore = view_->MessagesShown();
  display_.elapsedBefore = StatusPanels[1]->text();
  display_.summaryBefore = LabelSummary->text();
  display_.clock.start();
  runTicker_->start();
  runWorker_.setFuture(QtConcurrent::run([this, request] {
    ModMain::PlanReport report = ModMain::RunPlan(session_, {&request, 1}, {}, *view_, *questions_);
    view_->Flush();  // every row reaches the window before the end does
    return report;
  }));
}

void Form1::OnRunEnded(const ModMain::PlanReport& report) {
  if (destroying_) return;
  runTicker_->stop();
  display_.workedMs = RunMilliseconds();
  display_.clock.invalidate();
  CommandStop->setEnabled(false);
  if (!report.end) {
    // Refused before anything happened: the clerk picks another file.
    StatusPanels[1]->setText(display_.elapsedBefore);
    LabelSummary->setText(display_.summaryBefore);
    File1->setFocus();
  } else if (!display_.endShown) {
    ShowRunEnd(*report.end, report.LastRun(), report.notImported);
  }
  if (const ModMain::PlanStep* run = report.LastRun(); run && !run->report.runId.empty())
    undoable_ = run->report.RowsSaved() > 0;  // the table directory's last run is this one
  if (report.undo) OnUndone({report.undo, {}});
  else FinishRun();
}

void Form1::ClearRunDisplay() {
  view_->ClearRecordList();
  view_->SetProgressRange(0, 0);  // an empty bar
  view_->SetPhaseCaption(ModMain::kLoadCaption);
  StatusPanels[0]->setText(QStringLiteral("파일 줄 수"));
  LabelSummary->clear();
}

void Form1::ShowRunEnd(ModMain::RunEnd end, const ModMain::PlanStep* run, bool notImported) {
  runTicker_->stop();
  display_.endShown = true;
  Label2->setText(QString::fromUtf8(notImported ? ModMain::kNotImportedCaption : ModMain::RunEndCaption(end).c_str()));
  if (notImported) view_->SetProgressRange(0, 0);  // the bar shows no import
  ShowElapsed();
  LabelSummary->setText(SummaryText(run ? run->report.rowsSaved : std::map<std::string, int>{},
                                    view_->MessagesShown() - display_.messagesBefore, RunMilliseconds()));
  summaryRunId_ = run ? run->report.runId : "";
}

void Form1::StartUndo(const ModMain::JournalContents& read, const ModMain::JournalRun& run) {
  SetPhase(Phase::kUndoing);
  Command2->setEnabled(false);
  CommandUndo->setEnabled(false);
  undoWorker_.setFuture(QtConcurrent::run([this, read, run]() -> UndoOutcome {
    try {
      return {ModMain::UndoRun(*journal_, read, run, session_.tableDirectory), {}};
    } catch (const std::exception& error) {
      return {std::nullopt, QString::fromStdString(error.what())};
    }
  }));
}

void Form1::OnUndone(const UndoOutcome& outcome) {
  if (destroying_) return;
  if (!outcome.result) {
    settings_.messageBox(outcome.error);  // undoing again finishes it
  } else {
    undoable_ = false;
    // The summary on screen is the undone run's: it says so.
    if (!summaryRunId_.empty() && outcome.result->run.id == summaryRunId_)
      LabelSummary->setText(LabelSummary->text() + QStringLiteral(" · 되돌림: 행 %1개 지움").arg(outcome.result->deleted));
    settings_.messageBox(UndoResultText(*outcome.result));
  }
  FinishRun();
}

void Form1::FinishRun() {
  SetPhase(Phase::kIdle);
  Command2->setEnabled(true);
  CommandUndo->setEnabled(undoable_);
  emit RunFinished();
  if (closeAfterRun_) close();
}

bool Form1::ConfirmImport(const ModMain::PlanStep& step) {
  if (destroying_) return false;  // the window is going away: nothing more is written
  if (previewOff_) return true;
  const RunPreview preview{PathText(QByteArray::fromStdString(step.file.identity.path)),
                           KindText(step.file.kind), settings_.tableDirectory,
                           ModMain::PreviewRecords(step.file, kPreviewRecords), step.check.rows, step.check.messages};
  PreviewAnswer answer;
  WhileAsking([&] { answer = settings_.preview(preview); });
  previewOff_ = answer.askNoMore;
  return answer.importing;
}

bool Form1::Ask(const QString& question) {
  if (destroying_) return false;  // the window is going away: no questions, no next step
  bool yes = false;
  WhileAsking([&] { yes = settings_.question(question); });
  return yes;
}

void Form1::WhileAsking(const std::function<void()>& ask) {
  const Phase before = phase_;
  SetPhase(Phase::kAsking);
  display_.workedMs = RunMilliseconds();
  display_.clock.invalidate();
  ask();
  display_.clock.start();
  SetPhase(before);
}

qint64 Form1::RunMilliseconds() const {
  return display_.workedMs + (display_.clock.isValid() ? display_.clock.elapsed() : 0);
}

void Form1::ShowElapsed() {
  const QString elapsed = ElapsedText(RunMilliseconds());
  StatusPanels[1]->setText(QStringLiteral("경과시간 : ") + elapsed);
  if (IsRunning() && !display_.endShown) LabelSummary->setText(QStringLiteral("경과시간 ") + elapsed);
}

void Form1::WaitForWorker() {
  destroying_ = true;  // no questions, no next step
  view_->RequestStop();
  // The worker may be waiting for a box on this thread: keep serving it.
  while (runWorker_.isRunning() || undoWorker_.isRunning())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

}  // namespace window
