// Form1: the program's one window. Browsing column on the left, the two tabs
// of import kinds, the run area (run and stop buttons, the chosen kind, the
// phase, progress, the record list and the summary of the last run), the
// code-map list, the exit button and the status bar.
//
// A run is the import pipeline (import/pipeline.h) on a worker thread: the
// load, the re-import guard, the check and the import; the clerk answers its
// questions in boxes the worker waits for. The window keeps painting and the
// list grows while it works. Every run is recorded in the run journal, as a
// command-line run is; a run that ended early with rows saved offers to undo
// them, "마지막 가져오기 되돌리기" undoes the table directory's last run and
// "가져오기 기록" lists its runs to undo any one of them.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QHash>
#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "common/journal_file.h"
#include "common/run_undo.h"
#include "common/session.h"
#include "import/kinds.h"
#include "import/pipeline.h"
#include "window/browse_lists.h"
#include "window/code_map_model.h"
#include "window/dialogs.h"
#include "window/history_dialog.h"
#include "window/preview_dialog.h"
#include "window/record_list_model.h"
#include "window/run_texts.h"
#include "window/window_view.h"

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabBar;
class QTimer;
class QTreeView;

namespace window {

class KindOptions;

struct Form1Settings {
  QString tableDirectory;           // the executable's directory unless --db says otherwise
  QString startDirectory;           // where the browsing lists start (the working directory)
  // The run journal's folder (--journal), which must exist; none: the user's
  // state folder, made when missing.
  std::optional<QString> journalDirectory;
  MessageBoxFunction messageBox;    // empty: a modal box with OK
  QuestionFunction question;        // empty: a modal yes/no box, "no" the default
  ProblemListFunction problemList;  // empty: the modal problem list
  RunChoiceFunction pastRuns;       // empty: the modal "가져오기 기록"
  PreviewFunction preview;          // empty: the modal preview before the first row
};

class Form1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit Form1(Form1Settings settings, QWidget* parent = nullptr);
  ~Form1() override;

  bool IsRunning() const { return phase_ != Phase::kIdle; }
  WindowView& View() { return *view_; }
  const QString& TableDirectory() const { return settings_.tableDirectory; }

  // The option chosen; 0 (골재 · 거래처) until another is chosen.
  ModMain::ImportKind ImportKind = ModMain::ImportKind::kGCustomers;

  // The controls, public so the tests and the benchmark work them as a clerk does.
  QWidget* Picture1 = nullptr;
  QLabel* Label1 = nullptr;
  DriveList* Drive1 = nullptr;
  DirectoryList* Dir1 = nullptr;
  FileList* File1 = nullptr;
  QLabel* LabelTableDirectory = nullptr;
  QTabBar* TabStrip1 = nullptr;
  std::array<QRadioButton*, ModMain::kKindCount> Option1{};
  QGroupBox* Frame2 = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* CommandStop = nullptr;  // "중 지", enabled during a run
  QLabel* LabelKind = nullptr;         // the kind "실 행" runs: "골재 · 차량"
  QPushButton* CommandUndo = nullptr;  // "마지막 가져오기 되돌리기", enabled when that run has rows to undo
  QLabel* Label2 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QTreeView* ListView1 = nullptr;
  RecordListModel* RecordList = nullptr;
  QLabel* LabelSummary = nullptr;      // rows saved per table, messages, elapsed time
  QPushButton* CommandHistory = nullptr;  // "가져오기 기록": the table folder's runs, any one undone
  QPushButton* Command1 = nullptr;
  QTreeView* listHyun = nullptr;
  CodeMapModel* CodeMap = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  std::array<QLabel*, 4> StatusPanels{};

 signals:
  void RunFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // What the window is doing: nothing, or one run through its stages (the
  // worker's, and the clerk's answers), or one undo.
  enum class Phase { kIdle, kLoading, kChecking, kAsking, kImporting, kUndoing };
  class Questions;  // the window's side of the pipeline (form1_run.cpp)
  // An undo done on the worker: its result, or why it failed.
  struct UndoOutcome {
    std::optional<ModMain::UndoResult> result;
    QString error;
  };

  // form1_layout.cpp
  void BuildControls();
  QWidget* BuildBrowsingColumn();
  QWidget* BuildTabStrip();
  QWidget* BuildProgressFrame();
  void BuildStatusBar();
  void SetTabOrder();
  void StartBrowsing();
  void ShowClock();
  void TabStrip1_Click(int tab);

  // form1.cpp: the events
  void Form_Load();
  void Form_Unload();
  void Command1_Click();
  void Command2_Click();
  void CommandUndo_Click();
  void CommandHistory_Click();
  // Whether the table directory's last run has rows to undo, read again.
  void RefreshUndoable();
  void Option1_Click(int index);
  void Drive1_Change();
  void Dir1_Change(const QByteArray& path);
  // The journal, opened at start: what a killed run left is repaired, and
  // such a run is offered for undo, "no" by default.
  void OpenJournal();
  void OfferUndoOfKilledRun(const ModMain::JournalContents& read, const ModMain::JournalRun& run);

  // form1_run.cpp: a run and an undo
  void ConnectWorkers();
  void SetPhase(Phase phase);
  void StartRun(const ModMain::StepRequest& request);
  void OnRunEnded(const ModMain::PlanReport& report);
  // The list, bar, line count and summary emptied as a run's file starts loading.
  void ClearRunDisplay();
  // The phase label says how the run ended, or "가져오지 않음" when nothing was imported.
  void ShowRunEnd(ModMain::RunEnd end, const ModMain::PlanStep* run, bool notImported = false);
  // After the check: the preview, unless the clerk turned it off; true goes on.
  bool ConfirmImport(const ModMain::PlanStep& step);
  void StartUndo(const ModMain::JournalContents& read, const ModMain::JournalRun& run);
  void OnUndone(const UndoOutcome& outcome);
  void FinishRun();
  // A question of the run, on the window's thread; the clock stands while it is open.
  bool Ask(const QString& question);
  void WhileAsking(const std::function<void()>& ask);
  qint64 RunMilliseconds() const;
  void ShowElapsed();
  void WaitForWorker();

  Form1Settings settings_;
  std::unique_ptr<WindowView> view_;
  ModMain::Session session_;
  std::unique_ptr<ModMain::JournalFile> journal_;
  QString journalError_;  // why there is no journal: every run is refused with it
  std::unique_ptr<ModMain::PlanQuestions> questions_;  // a Questions
  KindOptions* kindOptions_ = nullptr;
  QTimer* clock_ = nullptr;
  QTimer* runTicker_ = nullptr;  // the elapsed time, live during a run
  QHash<QByteArray, QByteArray> driveDirectories_;  // the current directory of each drive

  Phase phase_ = Phase::kIdle;
  QFutureWatcher<ModMain::PlanReport> runWorker_;
  QFutureWatcher<UndoOutcome> undoWorker_;
  bool closeAfterRun_ = false;
  bool destroying_ = false;
  bool unloaded_ = false;
  bool undoable_ = false;  // the table directory's last run has rows to undo
  bool refreshUndoable_ = false;  // an undo from the history may have left the last run
  bool previewOff_ = false;  // "다음부터 묻지 않기" was ticked in this session

  // The run in progress, as the window shows it.
  struct RunDisplay {
    qint64 workedMs = 0;     // the worker's time before the question now open
    QElapsedTimer clock;     // the worker's time since
    int messagesBefore = 0;  // messages shown before the run
    QString elapsedBefore, summaryBefore;  // shown again when the run is refused
    bool endShown = false;   // the phase label and summary say how it ended
  } display_;
  std::string summaryRunId_;  // the run whose summary is on screen
};

}  // namespace window
