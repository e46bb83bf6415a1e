// Form1: the program's one window. Browsing column on the left, the two tabs
// of import kinds, the progress frame with the run button and the record
// list, the code-map list, the exit button and the status bar.
//
// A run (the run button) goes to a worker thread that holds the ImportShell
// calls; the window keeps painting and the list grows while it works.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <array>
#include <cstdint>
#include <memory>

#include "import/dispatcher.h"
#include "import/kinds.h"
#include "common/import_shell.h"
#include "window/browse_lists.h"
#include "window/record_list_model.h"
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
  QString tableDirectory;          // the executable's directory unless --db says otherwise
  QString startDirectory;          // where the browsing lists start (the working directory)
  MessageBoxFunction messageBox;   // empty: a modal QMessageBox with OK
};

class Form1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit Form1(Form1Settings settings, QWidget* parent = nullptr);
  ~Form1() override;

  bool IsRunning() const { return running_; }
  ModMain::DispatchResult LastResult() const { return lastResult_; }
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
  QLabel* Label2 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QTreeView* ListView1 = nullptr;
  RecordListModel* RecordList = nullptr;
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
  void StartBrowsing();

  void Form_Load();
  void Form_Unload();
  void Command1_Click();
  void Command2_Click();
  void Option1_Click(int index);
  void TabStrip1_Click(int tab);
  void Drive1_Change();
  void Dir1_Change(const QByteArray& path);
  void OnRunFinished();
  void ShowClock();
  void WaitForRunToEnd();

  Form1Settings settings_;
  std::unique_ptr<WindowView> view_;
  std::unique_ptr<ModMain::ImportShell> shell_;
  QButtonGroup* optionGroup_ = nullptr;
  QTimer* clock_ = nullptr;
  QHash<QByteArray, QByteArray> driveDirectories_;  // the current directory of each drive

  QThread* worker_ = nullptr;
  bool running_ = false;
  bool closeAfterRun_ = false;
  bool unloaded_ = false;
  QElapsedTimer runClock_;
  ModMain::DispatchResult lastResult_ = ModMain::DispatchResult::kRefused;
};

// The default message box: modal, OK button only, lines split at CR LF.
void ShowOkMessageBox(QWidget* parent, const QString& text);

}  // namespace window
