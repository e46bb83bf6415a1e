#include "window/form1.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <exception>
#include <utility>

#include "common/index_repair.h"
#include "window/journal_texts.h"
#include "window/path_bytes.h"

namespace window {
namespace {

std::string ToStd(const QByteArray& bytes) { return std::string(bytes.constData(), bytes.size()); }

}  // namespace

Form1::Form1(Form1Settings settings, QWidget* parent)
    : QMainWindow(parent), settings_(std::move(settings)) {
  if (!settings_.messageBox) settings_.messageBox = [this](const QString& text) { ShowOkMessageBox(this, text); };
  if (!settings_.question) settings_.question = [this](const QString& text) { return AskNoByDefault(this, text); };
  if (!settings_.problemList) {
    settings_.problemList = [this](const QString& heading, const std::vector<ModMain::Problem>& problems) {
      ShowProblemList(this, heading, problems);
    };
  }
  if (!settings_.pastRuns) {
    settings_.pastRuns = [this](const std::vector<ModMain::JournalRun>& runs) {
      return ChooseRunToUndo(this, settings_.tableDirectory, runs);
    };
  }
  if (!settings_.preview)
    settings_.preview = [this](const RunPreview& preview) { return ShowPreview(this, preview); };
  if (settings_.startDirectory.isEmpty()) settings_.startDirectory = QDir::currentPath();
  BuildControls();
  view_ = std::make_unique<WindowView>(
      DisplayControls{Label2, ProgressBar1, RecordList, ListView1, StatusPanels[0], CodeMap},
      settings_.messageBox);
  ConnectWorkers();
  connect(this, &Form1::RunFinished, this, [this] {
    if (std::exchange(refreshUndoable_, false)) RefreshUndoable();
  });
  StartBrowsing();
  Form_Load();
}

// ---- events ------------------------------------------------------------------

void Form1::Form_Load() {
  // A failed open shows its message; the window opens anyway.
  ModMain::OpenTargetDatabase(session_, ToStd(PathBytes(settings_.tableDirectory)), *view_);
  OpenJournal();
}

void Form1::OpenJournal() {
  try {
    const bool given = settings_.journalDirectory.has_value();
    journal_ = std::make_unique<ModMain::JournalFile>(
        given ? ToStd(PathBytes(*settings_.journalDirectory)) : ModMain::DefaultJournalDirectory(), !given);
    session_.journal = journal_.get();
    const ModMain::JournalContents read = ModMain::ReadJournal(*journal_);
    // Indexes a killed run left incomplete are rebuilt before the clerk imports.
    if (session_.SharedConnection)
      for (const std::string& message : ModMain::RepairAfterUnendedRuns(read, *session_.SharedConnection))
        QTimer::singleShot(0, this, [this, text = QString::fromStdString(message)] { settings_.messageBox(text); });
    const auto last = ModMain::LastRunToUndo(read, session_.tableDirectory);
    undoable_ = last.has_value();
    // After the window shows: a run that was killed is offered for undo.
    if (last && !last->end && !last->running)
      QTimer::singleShot(0, this, [this, read, run = *last] { OfferUndoOfKilledRun(read, run); });
  } catch (const std::exception& error) {
    // No place for a journal refuses every run; an unreadable one says so when it is used.
    if (!journal_) journalError_ = QString::fromStdString(error.what());
  }
  CommandUndo->setEnabled(undoable_);
}

void Form1::OfferUndoOfKilledRun(const ModMain::JournalContents& read, const ModMain::JournalRun& run) {
  if (phase_ == Phase::kIdle && !destroying_ && settings_.question(KilledRunQuestion(run))) StartUndo(read, run);
}

void Form1::Form_Unload() {
  unloaded_ = true;
  ModMain::CloseTargetDatabase(session_, *view_);
}

void Form1::Command1_Click() { close(); }

void Form1::closeEvent(QCloseEvent* event) {
  if (phase_ == Phase::kUndoing) {  // an undo is never cut short: the window closes after it
    closeAfterRun_ = true;
    event->ignore();
    return;
  }
  // The run may end while the question is open: then the window just closes.
  if (IsRunning() && !closeAfterRun_ && !settings_.question(kCloseQuestion)) {
    event->ignore();
    return;
  }
  if (IsRunning()) {
    // Stop after the current record; the run closes its tables and the
    // window closes when it has ended (FinishRun).
    closeAfterRun_ = true;
    view_->RequestStop();
    event->ignore();
    return;
  }
  if (!unloaded_) Form_Unload();
  event->accept();
}

void Form1::Option1_Click(int index) {
  ImportKind = static_cast<ModMain::ImportKind>(index);
  LabelKind->setText(KindText(ImportKind));
}

void Form1::Drive1_Change() {
  const QByteArray mountPoint = Drive1->CurrentMountPoint();
  const QByteArray remembered = driveDirectories_.value(mountPoint, mountPoint);
  if (Dir1->SetPath(remembered) || (remembered != mountPoint && Dir1->SetPath(mountPoint))) return;
  settings_.messageBox(QStringLiteral("드라이브를 읽을 수 없습니다.\r\n") + DisplayName(mountPoint));
  Drive1->ShowDriveOf(Dir1->Path());  // the lists stay where they were
}

void Form1::Dir1_Change(const QByteArray& path) {
  File1->SetPath(path);
  Drive1->ShowDriveOf(path);
  driveDirectories_.insert(QByteArray::fromStdString(DriveOfPath(Drive1->Drives(), ToStd(path))),
                           path);
}

// ---- the buttons of a run -----------------------------------------------------

void Form1::Command2_Click() {
  if (phase_ != Phase::kIdle) return;  // one run at a time: the session is the run's
  if (!journal_) return settings_.messageBox(journalError_);  // every run is recorded, or none runs
  StartRun({ImportKind, ToStd(File1->Path()), ToStd(File1->SelectedName())});
}

void Form1::CommandUndo_Click() {
  if (phase_ != Phase::kIdle || !journal_) return;
  ModMain::JournalContents read;
  std::optional<ModMain::JournalRun> last;
  try {  // read again: another clerk sharing the journal may have run since
    read = ModMain::ReadJournal(*journal_);
    last = ModMain::LastRunToUndo(read, session_.tableDirectory);
  } catch (const std::exception& error) {
    return settings_.messageBox(QString::fromStdString(error.what()));
  }
  undoable_ = last.has_value();
  CommandUndo->setEnabled(undoable_);
  if (!last) return settings_.messageBox(QStringLiteral("되돌릴 가져오기가 없습니다."));
  if (settings_.question(UndoLastQuestion(*last))) StartUndo(read, *last);
}

void Form1::CommandHistory_Click() {
  if (phase_ != Phase::kIdle) return;
  if (!journal_) return settings_.messageBox(journalError_);
  ModMain::JournalContents read;
  try {
    read = ModMain::ReadJournal(*journal_);
  } catch (const std::exception& error) {
    return settings_.messageBox(QString::fromStdString(error.what()));
  }
  const auto chosen =
      settings_.pastRuns(ModMain::RunsOfTableDirectory(read, ModMain::CanonicalDirectory(session_.tableDirectory)));
  if (!chosen || phase_ != Phase::kIdle) return;
  if (chosen->running) return settings_.messageBox(QString::fromStdString(ModMain::StillRunningMessage(*chosen)));
  if (!settings_.question(UndoChosenQuestion(*chosen))) return;
  refreshUndoable_ = true;  // the run undone need not be the last one
  StartUndo(read, *chosen);
}

void Form1::RefreshUndoable() {
  try {
    undoable_ = ModMain::LastRunToUndo(ModMain::ReadJournal(*journal_), session_.tableDirectory).has_value();
  } catch (const std::exception&) {
    undoable_ = false;  // the journal's message comes when it is used
  }
  CommandUndo->setEnabled(undoable_ && phase_ == Phase::kIdle);
}

}  // namespace window
