#include "window/form1.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <exception>
#include <string_view>

#include "common/messages.h"

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

}  // namespace

void ShowOkMessageBox(QWidget* parent, const QString& text) {
  QMessageBox box(parent);
  box.setWindowTitle(QStringLiteral("dbfimport"));
  box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

Form1::Form1(Form1Settings settings, QWidget* parent)
    : QMainWindow(parent), settings_(std::move(settings)) {
  if (!settings_.messageBox) {
    settings_.messageBox = [this](const QString& text) { ShowOkMessageBox(this, text); };
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
  right->addWidget(BuildProgressFrame(), 1);
  auto* bottom = new QHBoxLayout;
  listHyun = new QTreeWidget;
  listHyun->setObjectName(QStringLiteral("listHyun"));
  listHyun->setHeaderLabels({QStringLiteral("예전코드"), QStringLiteral("현재코드"),
                             QStringLiteral("현장명")});
  listHyun->setRootIsDecorated(false);
  listHyun->setMaximumHeight(fontMetrics().height() * 4);
  bottom->addWidget(listHyun, 2);
  bottom->addStretch(3);
  Command1 = new QPushButton(QStringLiteral("나가기"));
  Command1->setObjectName(QStringLiteral("Command1"));
  bottom->addWidget(Command1, 0, Qt::AlignBottom);
  right->addLayout(bottom);
  columns->addLayout(right, 70);
  setCentralWidget(central);

  BuildStatusBar();
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
  LabelTableDirectory =
      new QLabel(QStringLiteral("테이블 폴더: ") + settings_.tableDirectory);
  LabelTableDirectory->setWordWrap(true);
  LabelTableDirectory->setToolTip(settings_.tableDirectory);
  LabelTableDirectory->setTextInteractionFlags(Qt::TextSelectableByMouse);
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
  auto* top = new QHBoxLayout;
  Command2 = new QPushButton(QStringLiteral("실 행"));
  Command2->setObjectName(QStringLiteral("Command2"));
  Label2 = new QLabel(QStringLiteral("진행상황 "));
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setMinimumWidth(Label2->fontMetrics().horizontalAdvance(QString::fromUtf8(ModMain::kInsertCaption) + ' '));
  ProgressBar1 = new QProgressBar;
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  top->addWidget(Command2, 2);
  top->addWidget(Label2, 2);
  top->addWidget(ProgressBar1, 6);
  layout->addLayout(top);

  RecordList = new RecordListModel(this);
  ListView1 = new QTreeView;
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setModel(RecordList);
  ListView1->setRootIsDecorated(false);
  ListView1->setUniformRowHeights(true);  // 32 767 rows without measuring each
  ListView1->setFont(RecordListFont());
  ListView1->header()->resizeSection(0, ListView1->fontMetrics().horizontalAdvance(QStringLiteral("상태상태")));
  ListView1->header()->setStretchLastSection(true);
  layout->addWidget(ListView1, 1);

  connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
  return Frame2;
}

void Form1::BuildStatusBar() {
  StatusBar1 = statusBar();
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  const QStringList texts{QStringLiteral("전체레코드수"), QStringLiteral("경과시간"), {}, {}};
  for (int i = 0; i < 4; ++i) {
    StatusPanels[i] = new QLabel(texts[i]);
    StatusPanels[i]->setFrameShape(QFrame::Panel);
    StatusPanels[i]->setFrameShadow(QFrame::Sunken);
    StatusBar1->addPermanentWidget(StatusPanels[i], i < 2 ? 3 : 1);
  }
  StatusBar1->setToolTip(QStringLiteral("테이블 폴더: ") + settings_.tableDirectory);
  ShowClock();
  clock_ = new QTimer(this);
  connect(clock_, &QTimer::timeout, this, &Form1::ShowClock);
  clock_->start(1000);
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
}

void Form1::Form_Unload() {
  unloaded_ = true;
  if (shell_) ModMain::CloseTargetDatabase(*shell_);
}

void Form1::Command1_Click() { close(); }

void Form1::closeEvent(QCloseEvent* event) {
  if (running_) {
    // Stop after the current record; the run closes its tables and the
    // window closes when the worker has ended (OnRunFinished).
    closeAfterRun_ = true;
    view_->RequestStop();
    event->ignore();
    return;
  }
  if (!unloaded_) Form_Unload();
  event->accept();
}

void Form1::Option1_Click(int index) { ImportKind = static_cast<std::int16_t>(index); }

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

void Form1::Command2_Click() {
  if (running_) return;  // one run at a time: a second would share the run's state
  const int kind = ImportKind;
  const std::string directory = ToStd(File1->Path());
  const std::string name = ToStd(File1->SelectedName());
  running_ = true;
  Command2->setEnabled(false);
  view_->ClearStop();
  runClock_.start();
  worker_ = QThread::create([this, kind, directory, name] {
    try {
      lastResult_ = ModMain::Dispatch(*shell_, kind, directory, name);
    } catch (const std::exception& error) {
      lastResult_ = ModMain::DispatchResult::kLoadFailed;
      shell_->ShowMessage(error.what());
    }
  });
  connect(worker_, &QThread::finished, this, &Form1::OnRunFinished);
  worker_->start();
}

void Form1::OnRunFinished() {
  if (!worker_) return;
  worker_->wait();
  delete worker_;
  worker_ = nullptr;
  view_->Drain();
  running_ = false;
  Command2->setEnabled(true);
  if (lastResult_ == ModMain::DispatchResult::kRefused) {
    File1->setFocus();
  } else {
    StatusPanels[1]->setText(
        QStringLiteral("경과시간 : %1초").arg(runClock_.elapsed() / 1000.0, 0, 'f', 2));
  }
  emit RunFinished();
  if (closeAfterRun_) close();
}

void Form1::WaitForRunToEnd() {
  if (!worker_) return;
  closeAfterRun_ = false;  // the window is going away already
  view_->RequestStop();
  // The worker may be waiting for a message box on this thread: keep serving it.
  while (!worker_->isFinished()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker_->wait(5);
  }
  OnRunFinished();
}

}  // namespace window
