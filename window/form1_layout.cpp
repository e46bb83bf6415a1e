// Form1's controls: built once, laid out as the clerk knows them, and the
// options of the kind table placed on their tabs.
#include <QButtonGroup>
#include <QDateTime>
#include <QDir>
#include <QEvent>
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
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <string_view>

#include "common/messages.h"
#include "window/form1.h"
#include "window/kind_options.h"
#include "window/path_bytes.h"

namespace window {
namespace {

// The tabs, in the kind table's words, and how many rows of option buttons
// each fills before it starts the next column: the "골재" kinds in two columns
// of three, the "레미콘" kinds in three columns of two, over the same area.
constexpr const char* kTabs[] = {"골재", "레미콘"};
constexpr const char* kTabShortcuts[] = {"(&G)", "(&M)"};
constexpr int kRowsPerTab[] = {3, 2};

int TabOf(const ModMain::KindInfo& info) { return std::string_view(info.tab) == kTabs[0] ? 0 : 1; }

// A push button of the main window: its Alt shortcut in its caption, and
// Enter presses it while it has the focus, as Space does.
QPushButton* Button(const QString& caption, const char* name) {
  auto* button = new QPushButton(caption);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(true);
  return button;
}

QFont RecordListFont() {
  // A fixed-pitch Korean font keeps the record columns aligned.
  if (QFontDatabase::families().contains(QStringLiteral("NanumGothicCoding"))) {
    return QFont(QStringLiteral("NanumGothicCoding"), 9);
  }
  return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

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

// A label that wraps its text and asks for the height the wrapped text needs
// at its present width, as its least height, so the layout (and, at the
// window's smallest, the window) makes room for every line instead of
// drawing it over the list above. It does not take part in the layouts'
// height-for-width pass, which would give the groupbox less than the record
// list's least height.
class WrappedLabel : public QLabel {
 public:
  WrappedLabel() { setWordWrap(true); }
  bool hasHeightForWidth() const override { return false; }
  QSize minimumSizeHint() const override { return {QLabel::minimumSizeHint().width(), Lines()}; }
  QSize sizeHint() const override { return {QLabel::sizeHint().width(), Lines()}; }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    // Another width may take another number of lines.
    if (const int needed = heightForWidth(width()); needed != fitted_) {
      fitted_ = needed;
      updateGeometry();
    }
  }

 private:
  int Lines() const { return std::max(QLabel::minimumSizeHint().height(), heightForWidth(width())); }
  int fitted_ = -1;
};

// Keeps `follower` enabled exactly while the watched widget is: "가져오기
// 기록" is offered when a run could start.
class EnabledFollower : public QObject {
 public:
  EnabledFollower(QWidget* watched, QWidget* follower) : QObject(watched), follower_(follower) {
    watched->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::EnabledChange) follower_->setEnabled(static_cast<QWidget*>(watched)->isEnabled());
    return false;
  }

 private:
  QWidget* follower_;
};

}  // namespace

void Form1::BuildControls() {
  setWindowTitle(QStringLiteral("Form1"));
  auto* central = new QWidget(this);
  auto* columns = new QHBoxLayout(central);
  columns->addWidget(BuildBrowsingColumn(), 30);

  auto* right = new QVBoxLayout;
  right->addWidget(BuildTabStrip());
  right->addWidget(BuildProgressFrame(), 3);
  auto* bottom = new QHBoxLayout;
  // The ready-mix customer import fills it: old code, new code, customer name.
  listHyun = MakeCodeMapList(CodeMap = new CodeMapModel(this));
  // The two lists share the height beyond their minimums, three parts to one.
  listHyun->setMinimumHeight(fontMetrics().lineSpacing() * 3);
  listHyun->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
  bottom->addWidget(listHyun, 1);
  auto* bottomButtons = new QVBoxLayout;
  bottomButtons->addStretch(1);
  CommandHistory = Button(QStringLiteral("가져오기 기록(&H)"), "CommandHistory");
  CommandHistory->setToolTip(QStringLiteral("이 테이블 폴더에 가져온 기록을 보고, 고른 가져오기를 되돌립니다"));
  bottomButtons->addWidget(CommandHistory);
  Command1 = Button(QStringLiteral("나가기(&X)"), "Command1");
  bottomButtons->addWidget(Command1);
  bottom->addLayout(bottomButtons);
  right->addLayout(bottom, 1);  // the code-map list grows with the window
  columns->addLayout(right, 70);
  setCentralWidget(central);

  BuildStatusBar();
  SetTabOrder();
  connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
  connect(CommandHistory, &QPushButton::clicked, this, &Form1::CommandHistory_Click);
  new EnabledFollower(Command2, CommandHistory);
  resize(785, 520);
}

QWidget* Form1::BuildBrowsingColumn() {
  Picture1 = new QWidget;
  Picture1->setObjectName(QStringLiteral("Picture1"));
  auto* layout = new QVBoxLayout(Picture1);
  layout->setContentsMargins(0, 0, 0, 0);
  Label1 = new QLabel(QStringLiteral("인서트할 텍스트 파일을 선택(&F)"));
  QFont bold = Label1->font();
  bold.setBold(true);
  Label1->setFont(bold);
  Drive1 = new DriveList;
  Drive1->setObjectName(QStringLiteral("Drive1"));
  Dir1 = new DirectoryList;
  Dir1->setObjectName(QStringLiteral("Dir1"));
  File1 = new FileList;
  File1->setObjectName(QStringLiteral("File1"));
  Label1->setBuddy(File1);
  // A wrong table directory is the first thing a clerk must be able to see.
  LabelTableDirectory = new ElidedLabel(QStringLiteral("테이블 폴더: ") + QDir::toNativeSeparators(settings_.tableDirectory));
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
  for (int tab = 0; tab < 2; ++tab) TabStrip1->addTab(QString::fromUtf8(kTabs[tab]) + kTabShortcuts[tab]);
  TabStrip1->setExpanding(false);
  layout->addWidget(TabStrip1);

  auto* page = new QFrame;
  page->setFrameShape(QFrame::StyledPanel);
  auto* grid = new QGridLayout(page);
  kindOptions_ = new KindOptions(this);  // one group across both tabs
  int placed[2] = {0, 0};
  for (const ModMain::KindInfo& info : ModMain::Kinds()) {
    const int tab = TabOf(info);
    const int kind = ModMain::KindNumber(info.kind);
    QRadioButton* option = kindOptions_->Add(QString::fromUtf8(info.caption), kind, tab);
    option->setObjectName(QStringLiteral("Option1_%1").arg(kind));
    // Hidden buttons take no room, so both groups share the same cells.
    const int position = placed[tab]++;
    grid->addWidget(option, position % kRowsPerTab[tab], position / kRowsPerTab[tab]);
    Option1[kind] = option;
  }
  grid->setRowMinimumHeight(2, Option1[0]->sizeHint().height());
  layout->addWidget(page);

  connect(kindOptions_->Group(), &QButtonGroup::idClicked, this, &Form1::Option1_Click);
  connect(TabStrip1, &QTabBar::currentChanged, this, [this](int index) { TabStrip1_Click(index + 1); });
  return strip;
}

QWidget* Form1::BuildProgressFrame() {
  Frame2 = new QGroupBox(QStringLiteral("진행상황"));
  Frame2->setObjectName(QStringLiteral("Frame2"));
  auto* layout = new QVBoxLayout(Frame2);
  auto* buttons = new QHBoxLayout;
  Command2 = Button(QStringLiteral("실 행(&R)"), "Command2");
  Command2->setDefault(true);  // Enter on a file runs too
  CommandStop = Button(QStringLiteral("중 지(&S)"), "CommandStop");
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
  CommandUndo = Button(QStringLiteral("마지막 가져오기 되돌리기(&U)"), "CommandUndo");
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

  LabelSummary = new WrappedLabel;
  LabelSummary->setObjectName(QStringLiteral("LabelSummary"));
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
  StatusBar1->setToolTip(QStringLiteral("테이블 폴더: ") + QDir::toNativeSeparators(settings_.tableDirectory));
  ShowClock();
  clock_ = new QTimer(this);
  connect(clock_, &QTimer::timeout, this, &Form1::ShowClock);
  clock_->start(1000);
  runTicker_ = new QTimer(this);
  runTicker_->setInterval(20);
  connect(runTicker_, &QTimer::timeout, this, &Form1::ShowElapsed);
}

// Tab follows the layout: drive, folder, file, tabs, the shown tab's option
// (KindOptions), run, stop, undo, the record list, the code-map list, the
// history, exit.
void Form1::SetTabOrder() {
  std::vector<QWidget*> chain{Drive1, Dir1, File1, TabStrip1};
  chain.insert(chain.end(), Option1.begin(), Option1.end());
  chain.insert(chain.end(), {Command2, CommandStop, CommandUndo, ListView1, listHyun, CommandHistory, Command1});
  for (std::size_t i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
}

void Form1::ShowClock() {
  const QDateTime now = QDateTime::currentDateTime();
  StatusPanels[2]->setText(now.toString(QStringLiteral("yyyy-MM-dd")));
  StatusPanels[3]->setText(now.toString(QStringLiteral("HH:mm:ss")));
}

void Form1::StartBrowsing() {
  Drive1->SetDrives(CurrentBrowsableDrives());
  if (Dir1->SetPath(PathBytes(settings_.startDirectory))) return;
  for (const MountedDrive& drive : Drive1->Drives())  // the folder is gone: the first drive that lists
    if (Dir1->SetPath(QByteArray::fromStdString(drive.mountPoint))) return;
}

void Form1::TabStrip1_Click(int tab) { kindOptions_->ShowTab(tab - 1); }

}  // namespace window
