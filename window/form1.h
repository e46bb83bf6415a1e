// Form1: the program's one window. Browsing column on the left, the two tabs
// of import kinds, the run area (run and stop buttons, the chosen kind, the
// phase, progress, the record list and the summary of the last run), the
// code-map list, the exit button and the status bar.
//
// A run goes through the worker thread twice: the load and the check of the
// whole file (and the journal's earlier runs of it), then (after the
// window's questions) the import itself. The window keeps painting and the
// list grows while it works. Every run is recorded in the run journal, as a
// command-line run is; a run that ended early with rows saved offers to undo
// them, and "마지막 가져오기 취소" undoes the table directory's last run.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "common/file_check.h"
#include "common/import_shell.h"
#include "common/journal_file.h"
#include "common/journal_runs.h"
#include "common/run_undo.h"
#include "import/dispatcher.h"
#include "import/kinds.h"
#include "window/browse_lists.h"
#include "window/dialogs.h"
#include "window/record_list_model.h"
#include "window/run_texts.h"
#include "window/window_view.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabBar;
class QThread;
class QTimer;
class QTreeView;
class QTreeWidget;

namespace window {

struct Form1Settings {
  QString tableDirectory;           // the executable's directory unless --db says otherwise
  QString startDirectory;           // where the browsing lists start (the working directory)
  // The run journal's folder (--journal), which must exist; none: the user's
  // state folder, made when missing.
  std::optional<QString> journalDirectory;
  MessageBoxFunction messageBox;    // empty: a modal box with OK
  QuestionFunction question;        // empty: a modal yes/no box, "no" the default
  ProblemListFunction problemList;  // empty: the modal problem list
};

class Form1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit Form1(Form1Settings settings, QWidget* parent = nullptr);
  ~Form1() override;

  bool IsRunning() const { return running_; }
  WindowView& View() { return *view_; }
  const QString& TableDirectory() const { return settings_.tableDirectory; }

  // The option clicked last, 0 to 10; 0 until one is clicked.
  std::int16_t ImportKind = 0;

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
  QPushButton* CommandUndo = nullptr;  // "마지막 가져오기 취소", enabled when that run has rows to undo
  QLabel* Label2 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QTreeView* ListView1 = nullptr;
  RecordListModel* RecordList = nullptr;
  QLabel* LabelSummary = nullptr;      // rows saved per table, messages, elapsed time
  QPushButton* Command1 = nullptr;
  QTreeWidget* listHyun = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  std::array<QLabel*, 4> StatusPanels{};

 signals:
  void RunFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  QWidget* BuildBrowsingColumn();
  QWidget* BuildTabStrip();
  QWidget* BuildProgressFrame();
  void BuildStatusBar();
  void SetTabOrder();
  void StartBrowsing();

  void Form_Load();
  void Form_Unload();
  void Command1_Click();
  void Command2_Click();
  void CommandUndo_Click();
  void Option1_Click(int index);
  void TabStrip1_Click(int tab);
  void Drive1_Change();
  void Dir1_Change(const QByteArray& path);
  void ShowClock();

  // The run: load and check, the questions, the import, the end.
  void StartWork(std::function<void()> job, void (Form1::*then)());
  void OnChecked();
  void OnImported();
  void EndRun(std::optional<RunEnd> end);  // none: refused, nothing happened
  void FinishRun();
  // The journal: opened at start; the earlier import of the loaded file, and
  // the last run of the table directory when it can be undone.
  void OpenJournal();
  // At start: the table directory's last run has no end line and no program
  // runs it (it was killed): the clerk may take its rows back, "no" by default.
  void OfferUndoOfKilledRun(const ModMain::JournalRun& run);
  void FindEarlierImport();
  std::optional<ModMain::JournalRun> LastRunToUndo(const ModMain::JournalContents& journal) const;
  void StartUndo(const std::string& runId);
  void OnUndone();
  qint64 RunMilliseconds() const;
  void ShowElapsed();
  void WaitForRunToEnd();

  Form1Settings settings_;
  std::unique_ptr<WindowView> view_;
  std::unique_ptr<ModMain::ImportShell> shell_;
  QButtonGroup* optionGroup_ = nullptr;
  QTimer* clock_ = nullptr;
  QTimer* runTicker_ = nullptr;  // the elapsed time, live during a run
  QHash<QByteArray, QByteArray> driveDirectories_;  // the current directory of each drive

  QThread* worker_ = nullptr;
  bool running_ = false;
  bool closeAfterRun_ = false;
  bool destroying_ = false;
  bool unloaded_ = false;

  // The run in progress.
  int runKind_ = 0;
  ModMain::DispatchResult loaded_ = ModMain::DispatchResult::kRefused;
  bool workFailed_ = false;
  ModMain::FileCheck check_;
  int messagesBefore_ = 0;
  qint64 workedMs_ = 0;       // the finished parts of the run on the worker
  QElapsedTimer workClock_;   // the part running now
  QString elapsedBefore_, summaryBefore_;  // shown again when the run is refused
  std::string runIdBefore_;   // the journal's last run id before this run
  std::optional<ModMain::JournalRun> earlier_;  // a completed import of the same file

  std::unique_ptr<ModMain::JournalFile> journal_;
  QString journalError_;      // why there is no journal: every run is refused with it
  bool undoable_ = false;     // the table directory's last run has rows to undo
  bool undoing_ = false;
  ModMain::UndoResult undoResult_;
};

}  // namespace window
