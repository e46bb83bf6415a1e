#include "window/form1.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <string_view>

#include "common/index_repair.h"
#include "common/messages.h"
#include "import/checker.h"
#include "window/journal_texts.h"

namespace window {
namespace {

// The tabs, in the kind table's words, and how many rows of option buttons
// each fills before it starts the next column: the "골재" kinds in two columns
// of three, the "레미콘" kinds in three columns of two, over the same area.
constexpr const char* kTabs[] = {"골재", "레미콘"};
constexpr int kRowsPerTab[] = {3, 2};

int TabOf(const ModMain::KindInfo& info) { return std::string_view(info.tab) == kTabs[0] ? 0 : 1; }

QFont RecordListFont() {
  // A fixed-pitch Korean font keeps the record columns aligned.
  if (QFontDatabase::families().contains(QStringLiteral("NanumGothicCoding"))) {
    return QFont(QStringLiteral("NanumGothicCoding"), 9);
  }
  return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

std::string ToStd(const QByteArray& bytes) { return std::string(bytes.constData(), bytes.size()); }

QString KindText(int kind) { return QString::fromStdString(ModMain::KindLabel(kind)); }

// Rows as high as the font's tallest Hangul and Latin glyphs need, whatever
// the font or scale, with a little air between them.
class RecordRowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const QFontMetrics metrics(option.font);
    const int glyphs = metrics.boundingRect(QStringLiteral("가힣Éjg|")).height();
    size.setHeight(std::max({size.height(), metrics.lineSpacing(), glyphs}) + 2);
    return size;
  }
};

// A label that shows as much of its text as fits, with "…" in the middle,
// on one line (a long table folder path must not push the lists down).
class ElidedLabel : public QLabel {
 public:
  explicit ElidedLabel(QString text) : QLabel(text), full_(std::move(text)) {
    setToolTip(full_);
    setMinimumWidth(1);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    setText(fontMetrics().elidedText(full_, Qt::ElideMiddle, width()));
    QLabel::resizeEvent(event);
  }

 private:
  QString full_;
};

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
  if (settings_.startDirectory.isEmpty()) settings_.startDirectory = QDir::currentPath();
  BuildControls();
  view_ = std::make_unique<WindowView>(
      DisplayControls{Label2, ProgressBar1, RecordList, ListView1, StatusPanels[0], listHyun},
      settings_.messageBox);
  StartBrowsing();
  Form_Load();
}

Form1::~Form1() {
  WaitForRunToEnd();
  if (!unloaded_) Form_Unload();
}

// ---- building the window -------------------------------------------------------

void Form1::BuildControls() {
  setWindowTitle(QStringLiteral("Form1"));
  auto* central = new QWidget(this);
  auto* columns = new QHBoxLayout(central);
  columns->addWidget(BuildBrowsingColumn(), 30);

  auto* right = new QVBoxLayout;
  right->addWidget(BuildTabStrip());
  right->addWidget(BuildProgressFrame(), 3);
  auto* bottom = new QHBoxLayout;
  listHyun = new QTreeWidget;
  listHyun->setObjectName(QStringLiteral("listHyun"));
  // The ready-mix customer import fills it: old code, new code, customer name.
  listHyun->setHeaderLabels({QStringLiteral("예전코드"), QStringLiteral("현재코드"), QStringLiteral("거래처명")});
  listHyun->setRootIsDecorated(false);
  listHyun->setUniformRowHeights(true);
  listHyun->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  // The two lists share the height beyond their minimums, three parts to one.
  listHyun->setMinimumHeight(fontMetrics().lineSpacing() * 3);
  listHyun->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
  bottom->addWidget(listHyun, 1);
  Command1 = new QPushButton(QStringLiteral("나가기"));
  Command1->setObjectName(QStringLiteral("Command1"));
  bottom->addWidget(Command1, 0, Qt::AlignBottom);
  right->addLayout(bottom, 1);  // the code-map list grows with the window
  columns->addLayout(right, 70);
  setCentralWidget(central);

  BuildStatusBar();
  SetTabOrder();
  connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
  resize(785, 520);
}

QWidget* Form1::BuildBrowsingColumn() {
  Picture1 = new QWidget;
  Picture1->setObjectName(QStringLiteral("Picture1"));
  auto* layout = new QVBoxLayout(Picture1);
  layout->setContentsMargins(0, 0, 0, 0);
  Label1 = new QLabel(QStringLiteral("인서트할 텍스트 파일을 선택"));
  QFont bold = Label1->font();
  bold.setBold(true);
  Label1->setFont(bold);
  Drive1 = new DriveList;
  Drive1->setObjectName(QStringLiteral("Drive1"));
  Dir1 = new DirectoryList;
  Dir1->setObjectName(QStringLiteral("Dir1"));
  File1 = new FileList;
  File1->setObjectName(QStringLiteral("File1"));
  // A wrong table directory is the first thing a clerk must be able to see.
  LabelTableDirectory = new ElidedLabel(QStringLiteral("테이블 폴더: ") + settings_.tableDirectory);
  layout->addWidget(Label1);
  layout->addWidget(Drive1);
  layout->addWidget(Dir1, 30);
  layout->addWidget(File1, 37);
  layout->addWidget(LabelTableDirectory);

  connect(Drive1, &QComboBox::currentIndexChanged, this, [this] { Drive1_Change(); });
  connect(Dir1, &DirectoryList::PathChanged, this, &Form1::Dir1_Change);
  connect(Dir1, &DirectoryList::OpenFailed, this, [this](const QByteArray& path) {
    settings_.messageBox(QStringLiteral("폴더를 열 수 없습니다.\r\n") + DisplayName(path));
  });
  // A click without opening refreshes the file list on the same directory.
  connect(Dir1, &QListWidget::itemClicked, this, [this] { File1->SetPath(Dir1->Path()); });
  connect(File1, &FileList::RunRequested, this, [this] { Command2->click(); });
  return Picture1;
}

QWidget* Form1::BuildTabStrip() {
  auto* strip = new QWidget;
  auto* layout = new QVBoxLayout(strip);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  TabStrip1 = new QTabBar;
  TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
  for (const char* tab : kTabs) TabStrip1->addTab(QString::fromUtf8(tab));
  TabStrip1->setExpanding(false);
  layout->addWidget(TabStrip1);

  auto* page = new QFrame;
  page->setFrameShape(QFrame::StyledPanel);
  auto* grid = new QGridLayout(page);
  optionGroup_ = new QButtonGroup(this);
  optionGroup_->setExclusive(true);  // one group across both tabs
  int placed[2] = {0, 0};
  for (const ModMain::KindInfo& info : ModMain::Kinds()) {
    const int tab = TabOf(info);
    auto* option = new QRadioButton(QString::fromUtf8(info.caption));
    option->setObjectName(QStringLiteral("Option1_%1").arg(info.kind));
    option->setVisible(tab == 0);
    // Hidden buttons take no room, so both groups share the same cells.
    const int position = placed[tab]++;
    grid->addWidget(option, position % kRowsPerTab[tab], position / kRowsPerTab[tab]);
    optionGroup_->addButton(option, info.kind);
    Option1[info.kind] = option;
  }
  grid->setRowMinimumHeight(2, Option1[0]->sizeHint().height());
  layout->addWidget(page);

  connect(optionGroup_, &QButtonGroup::idClicked, this, &Form1::Option1_Click);
  connect(TabStrip1, &QTabBar::currentChanged, this, [this](int index) { TabStrip1_Click(index + 1); });
  return strip;
}

QWidget* Form1::BuildProgressFrame() {
  Frame2 = new QGroupBox(QStringLiteral("진행상황"));
  Frame2->setObjectName(QStringLiteral("Frame2"));
  auto* layout = new QVBoxLayout(Frame2);
  auto* buttons = new QHBoxLayout;
  Command2 = new QPushButton(QStringLiteral("실 행"));
  Command2->setObjectName(QStringLiteral("Command2"));
  Command2->setDefault(true);  // Enter on it (and on a file) runs
  CommandStop = new QPushButton(QStringLiteral("중 지"));
  CommandStop->setObjectName(QStringLiteral("CommandStop"));
  CommandStop->setEnabled(false);
  // The tabs can hide the chosen option; this label never does.
  LabelKind = new QLabel(KindText(ImportKind));
  LabelKind->setObjectName(QStringLiteral("LabelKind"));
  LabelKind->setToolTip(QStringLiteral("\"실 행\"이 가져올 종류"));
  QFont bold = LabelKind->font();
  bold.setBold(true);
  LabelKind->setFont(bold);
  buttons->addWidget(Command2);
  buttons->addWidget(CommandStop);
  buttons->addSpacing(Command2->fontMetrics().averageCharWidth() * 2);
  buttons->addWidget(LabelKind, 1);
  CommandUndo = new QPushButton(QStringLiteral("마지막 가져오기 취소"));
  CommandUndo->setObjectName(QStringLiteral("CommandUndo"));
  CommandUndo->setToolTip(QStringLiteral("이 테이블 폴더에 마지막으로 가져온 행을 지웁니다 (먼저 묻습니다)"));
  CommandUndo->setEnabled(false);
  buttons->addWidget(CommandUndo);
  layout->addLayout(buttons);

  auto* phase = new QHBoxLayout;
  Label2 = new QLabel(QStringLiteral("진행상황 "));
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setMinimumWidth(Label2->fontMetrics().horizontalAdvance(QString::fromUtf8(ModMain::kInsertCaption) + ' '));
  ProgressBar1 = new QProgressBar;
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  phase->addWidget(Label2);
  phase->addWidget(ProgressBar1, 1);
  layout->addLayout(phase);

  RecordList = new RecordListModel(this);
  ListView1 = new QTreeView;
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setModel(RecordList);
  ListView1->setRootIsDecorated(false);
  ListView1->setUniformRowHeights(true);  // 32 767 rows without measuring each
  ListView1->setItemDelegate(new RecordRowDelegate(ListView1));
  ListView1->setFont(RecordListFont());
  ListView1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  ListView1->header()->setStretchLastSection(false);  // the record column is as wide as its longest record
  ListView1->header()->resizeSection(0, ListView1->fontMetrics().horizontalAdvance(QStringLiteral("상태상태")));
  ListView1->header()->resizeSection(1, ListView1->header()->sectionSizeHint(1));
  ListView1->setMinimumHeight(ListView1->fontMetrics().lineSpacing() * 5);
  ListView1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
  layout->addWidget(ListView1, 1);

  LabelSummary = new QLabel;
  LabelSummary->setObjectName(QStringLiteral("LabelSummary"));
  LabelSummary->setWordWrap(true);
  LabelSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(LabelSummary);

  connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
  connect(CommandUndo, &QPushButton::clicked, this, &Form1::CommandUndo_Click);
  connect(CommandStop, &QPushButton::clicked, this, [this] {
    view_->RequestStop();  // the run stops after the current record
    CommandStop->setEnabled(false);
  });
  return Frame2;
}

void Form1::BuildStatusBar() {
  StatusBar1 = statusBar();
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  const QStringList texts{QStringLiteral("파일 줄 수"), QStringLiteral("경과시간"), {}, {}};
  for (int i = 0; i < 4; ++i) {
    StatusPanels[i] = new QLabel(texts[i]);
    StatusPanels[i]->setFrameShape(QFrame::Panel);
    StatusPanels[i]->setFrameShadow(QFrame::Sunken);
    StatusBar1->addPermanentWidget(StatusPanels[i], i < 2 ? 3 : 1);
  }
  StatusPanels[0]->setToolTip(QStringLiteral("불러온 파일의 줄 수 (끝의 합계 줄도 셉니다)"));
  StatusBar1->setToolTip(QStringLiteral("테이블 폴더: ") + settings_.tableDirectory);
  ShowClock();
  clock_ = new QTimer(this);
  connect(clock_, &QTimer::timeout, this, &Form1::ShowClock);
  clock_->start(1000);
  runTicker_ = new QTimer(this);
  runTicker_->setInterval(20);
  connect(runTicker_, &QTimer::timeout, this, &Form1::ShowElapsed);
}

// Tab follows the layout: drive, folder, file, tabs, options, run, stop,
// undo, the record list, the code-map list, exit.
void Form1::SetTabOrder() {
  std::vector<QWidget*> chain{Drive1, Dir1, File1, TabStrip1};
  chain.insert(chain.end(), Option1.begin(), Option1.end());
  chain.insert(chain.end(), {Command2, CommandStop, CommandUndo, ListView1, listHyun, Command1});
  for (std::size_t i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
}

void Form1::ShowClock() {
  const QDateTime now = QDateTime::currentDateTime();
  StatusPanels[2]->setText(now.toString(QStringLiteral("yyyy-MM-dd")));
  StatusPanels[3]->setText(now.toString(QStringLiteral("HH:mm:ss")));
}

void Form1::StartBrowsing() {
  Drive1->SetDrives(CurrentBrowsableDrives());
  const QByteArray start = QFile::encodeName(settings_.startDirectory);
  if (!Dir1->SetPath(start)) Dir1->SetPath("/");
}

// ---- events ------------------------------------------------------------------

void Form1::Form_Load() {
  shell_ = std::make_unique<ModMain::ImportShell>(*view_);
  // A failed open shows its message; the window opens anyway.
  ModMain::OpenTargetDatabase(*shell_, ToStd(QFile::encodeName(settings_.tableDirectory)));
  OpenJournal();
}

void Form1::OpenJournal() {
  try {
    const bool given = settings_.journalDirectory.has_value();
    journal_ = std::make_unique<ModMain::JournalFile>(
        given ? ToStd(QFile::encodeName(*settings_.journalDirectory)) : ModMain::DefaultJournalDirectory(), !given);
    shell_->journal = journal_.get();
    // Indexes a killed run left incomplete are rebuilt before the clerk imports.
    if (shell_->SharedConnection)
      for (const std::string& message : ModMain::RepairAfterUnendedRuns(*journal_, *shell_->SharedConnection))
        QTimer::singleShot(0, this, [this, text = QString::fromStdString(message)] { settings_.messageBox(text); });
    const auto last = LastRunToUndo(ModMain::ReadJournal(*journal_));
    undoable_ = last.has_value();
    // After the window shows: a run that was killed is offered for undo.
    if (last && last->outcome.empty() && !last->running)
      QTimer::singleShot(0, this, [this, run = *last] { OfferUndoOfKilledRun(run); });
  } catch (const std::exception& error) {
    // No place for a journal refuses every run; an unreadable one says so when it is used.
    if (!journal_) journalError_ = QString::fromStdString(error.what());
  }
  CommandUndo->setEnabled(undoable_);
}

void Form1::OfferUndoOfKilledRun(const ModMain::JournalRun& run) {
  if (!running_ && !destroying_ && settings_.question(KilledRunQuestion(run))) StartUndo(run.id);
}

void Form1::Form_Unload() {
  unloaded_ = true;
  if (shell_) ModMain::CloseTargetDatabase(*shell_);
}

void Form1::Command1_Click() { close(); }

void Form1::closeEvent(QCloseEvent* event) {
  if (undoing_) {  // an undo is never cut short: the window closes after it
    closeAfterRun_ = true;
    event->ignore();
    return;
  }
  // The run may end while the question is open: then the window just closes.
  if (running_ && !closeAfterRun_ && !settings_.question(kCloseQuestion)) {
    event->ignore();
    return;
  }
  if (running_) {
    // Stop after the current record; the run closes its tables and the
    // window closes when it has ended (EndRun).
    closeAfterRun_ = true;
    view_->RequestStop();
    event->ignore();
    return;
  }
  if (!unloaded_) Form_Unload();
  event->accept();
}

void Form1::Option1_Click(int index) {
  ImportKind = static_cast<std::int16_t>(index);
  LabelKind->setText(KindText(index));
}

void Form1::TabStrip1_Click(int tab) {
  for (const ModMain::KindInfo& info : ModMain::Kinds()) Option1[info.kind]->setVisible(TabOf(info) == tab - 1);
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

// ---- the run -----------------------------------------------------------------

void Form1::Command2_Click() {
  if (running_) return;  // one run at a time: a second would share the run's state
  if (!journal_) return settings_.messageBox(journalError_);  // every run is recorded, or none runs
  runKind_ = ImportKind;
  const std::string directory = ToStd(File1->Path());
  const std::string name = ToStd(File1->SelectedName());
  running_ = true;
  Command2->setEnabled(false);
  CommandStop->setEnabled(true);
  CommandUndo->setEnabled(false);
  view_->ClearStop();
  workFailed_ = false;
  check_ = {};
  shell_->rowsSaved.clear();
  messagesBefore_ = shell_->messagesShown;
  runIdBefore_ = shell_->lastRunId;
  earlier_.reset();
  workedMs_ = 0;
  elapsedBefore_ = StatusPanels[1]->text();
  summaryBefore_ = LabelSummary->text();
  runTicker_->start();
  StartWork(
      [this, directory, name] {
        loaded_ = ModMain::LoadStep(*shell_, runKind_, directory, name);
        if (loaded_ != ModMain::DispatchResult::kRan) return;
        check_ = ModMain::StepChecker(*shell_).Check(runKind_, shell_->RecordLines);
        if (check_.problems.empty()) FindEarlierImport();
      },
      &Form1::OnChecked);
}

void Form1::StartWork(std::function<void()> job, void (Form1::*then)()) {
  workClock_.start();
  worker_ = QThread::create([this, job = std::move(job)] {
    try {
      job();
    } catch (const std::exception& error) {
      workFailed_ = true;
      shell_->ShowMessage(error.what());
    }
    view_->Flush();  // every row reaches the window before the end does
  });
  connect(worker_, &QThread::finished, this, [this, then] {
    if (!worker_) return;  // taken by the window's destructor already
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
    workedMs_ += workClock_.elapsed();
    workClock_.invalidate();
    if (!destroying_) (this->*then)();
  });
  worker_->start();
}

void Form1::OnChecked() {
  if (loaded_ == ModMain::DispatchResult::kRefused) return EndRun(std::nullopt);
  if (loaded_ != ModMain::DispatchResult::kRan || workFailed_) return EndRun(RunEnd::kFailed);
  if (view_->StopRequested()) return EndRun(RunEnd::kStopped);
  if (!check_.problems.empty()) {
    shell_->RecordLines.clear();
    settings_.problemList(ProblemListHeading(runKind_, check_.problems.size()), check_.problems);
    return EndRun(RunEnd::kFailed);
  }
  // The file is probably of another kind: the clerk decides, "no" by default.
  if (check_.foundRecordLength != 0 && !settings_.question(RecordLengthQuestion(runKind_, check_))) {
    shell_->RecordLines.clear();
    return EndRun(RunEnd::kStopped);
  }
  // A file imported into these tables before: the clerk decides, "no" by default.
  if (earlier_ && !settings_.question(QString::fromStdString(ModMain::AlreadyImportedQuestion(*earlier_)))) {
    shell_->RecordLines.clear();
    return EndRun(RunEnd::kStopped);
  }
  // The run's start judges the guard again: only an import since this look refuses it.
  shell_->reimportApprovedRun = earlier_ ? earlier_->id : "";
  StartWork([this] { ModMain::RunStep(*shell_, runKind_); }, &Form1::OnImported);
}

void Form1::OnImported() {
  if (!workFailed_ && shell_->lastOutcome == ModMain::RunOutcome::kCompleted) return EndRun(RunEnd::kCompleted);
  EndRun(view_->StopRequested() ? RunEnd::kStopped : RunEnd::kFailed);
}

void Form1::EndRun(std::optional<RunEnd> end) {
  runTicker_->stop();
  CommandStop->setEnabled(false);
  if (!end) {
    // Refused before anything happened: the clerk picks another file.
    StatusPanels[1]->setText(elapsedBefore_);
    LabelSummary->setText(summaryBefore_);
    File1->setFocus();
  } else {
    Label2->setText(RunEndCaption(*end));
    ShowElapsed();
    LabelSummary->setText(
        SummaryText(shell_->rowsSaved, shell_->messagesShown - messagesBefore_, RunMilliseconds()));
  }
  if (!end || shell_->lastRunId == runIdBefore_) return FinishRun();  // not recorded: the last run is as it was
  int saved = 0;
  for (const auto& [table, rows] : shell_->rowsSaved) saved += rows;
  undoable_ = saved > 0;
  // The rows of a run that ended early: the clerk may take them back, "no" by default.
  if (saved > 0 && *end != RunEnd::kCompleted && settings_.question(UndoOfferQuestion(*end, shell_->rowsSaved)))
    return StartUndo(shell_->lastRunId);
  FinishRun();
}

void Form1::FinishRun() {
  running_ = undoing_ = false;
  Command2->setEnabled(true);
  CommandUndo->setEnabled(undoable_);
  emit RunFinished();
  if (closeAfterRun_) close();
}

// ---- the journal ---------------------------------------------------------------

// On the worker, after a check that found no problem.
void Form1::FindEarlierImport() {
  if (!shell_->SharedConnection) return;  // the run ends at the missing table directory
  const ModMain::JournalContents journal = ModMain::ReadJournal(*journal_);
  if (!journal.warnings.empty()) shell_->ShowMessage(JournalWarningsText(journal.warnings).toStdString());
  earlier_ = ModMain::FindEarlierRun(journal, ModMain::CanonicalDirectory(shell_->SharedConnection->Directory()),
                                     runKind_, shell_->loadedFile.sha256);
}

// The run "마지막 가져오기 취소" undoes: the table directory's last, while it
// has rows and was not undone.
std::optional<ModMain::JournalRun> Form1::LastRunToUndo(const ModMain::JournalContents& journal) const {
  const std::string directory = ModMain::CanonicalDirectory(ToStd(QFile::encodeName(settings_.tableDirectory)));
  for (auto run = journal.runs.rbegin(); run != journal.runs.rend(); ++run) {
    if (run->tableDirectory != directory) continue;
    if (run->undone.empty() && run->Rows() > 0) return *run;
    break;
  }
  return std::nullopt;
}

void Form1::CommandUndo_Click() {
  if (running_ || !journal_) return;
  std::optional<ModMain::JournalRun> last;
  try {  // read again: another clerk sharing the journal may have run since
    last = LastRunToUndo(ModMain::ReadJournal(*journal_));
  } catch (const std::exception& error) {
    return settings_.messageBox(QString::fromStdString(error.what()));
  }
  undoable_ = last.has_value();
  CommandUndo->setEnabled(undoable_);
  if (!last) return settings_.messageBox(QStringLiteral("되돌릴 가져오기가 없습니다."));
  if (settings_.question(UndoLastQuestion(*last))) StartUndo(last->id);
}

void Form1::StartUndo(const std::string& runId) {
  running_ = undoing_ = true;
  Command2->setEnabled(false);
  CommandUndo->setEnabled(false);
  workFailed_ = false;
  const std::string directory = ToStd(QFile::encodeName(settings_.tableDirectory));
  StartWork([this, runId, directory] { undoResult_ = ModMain::UndoRun(*journal_, runId, directory); },
            &Form1::OnUndone);
}

void Form1::OnUndone() {
  if (!workFailed_) {  // a failed undo was shown; undoing again finishes it
    undoable_ = false;
    // The summary on screen is the undone run's: it says so.
    if (undoResult_.run.id == shell_->lastRunId && shell_->lastRunId != runIdBefore_)
      LabelSummary->setText(LabelSummary->text() + QStringLiteral(" · 되돌림: 행 %1개 지움").arg(undoResult_.deleted));
    settings_.messageBox(UndoResultText(undoResult_));
  }
  FinishRun();
}

qint64 Form1::RunMilliseconds() const { return workedMs_ + (workClock_.isValid() ? workClock_.elapsed() : 0); }

void Form1::ShowElapsed() {
  const QString elapsed = ElapsedText(RunMilliseconds());
  StatusPanels[1]->setText(QStringLiteral("경과시간 : ") + elapsed);
  if (running_) LabelSummary->setText(QStringLiteral("경과시간 ") + elapsed);
}

void Form1::WaitForRunToEnd() {
  destroying_ = true;  // the window is going away: no questions, no next step
  if (!worker_) return;
  view_->RequestStop();
  // The worker may be waiting for a message box on this thread: keep serving it.
  while (worker_ && !worker_->wait(5)) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  delete worker_;
  worker_ = nullptr;
}

}  // namespace window
