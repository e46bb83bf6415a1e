// The window driven as a clerk drives it (QtTest, offscreen): runs into tables made by python3-dbf and read
// back by python3-dbfread (tests/e2e/harness.py); the test answers the boxes, questions and problem list.
#include <QtTest>
#include <QtWidgets>
#include <filesystem>

#include "common/encoding.h"
#include "common/messages.h"
#include "import/pipeline.h"
#include "window/csv_text.h"
#include "window/form1.h"
#include "window/history_dialog.h"
#include "window/journal_texts.h"
#include "window/translation.h"

using window::Form1;
using ModMain::ImportKind;

namespace {

QByteArray Cp949(const QString& text) { return QByteArray::fromStdString(ModMain::Utf8ToCp949(text.toStdString())); }
QString Utf8(const std::string& text) { return QString::fromStdString(text); }

// `width` bytes: each {first byte, text} placed, `filler` where no field is.
QByteArray Record(int width, const QList<QPair<int, QString>>& fields, char filler = ' ') {
  QByteArray line(width, filler);
  for (const auto& [start, text] : fields) line.replace(start - 1, Cp949(text).size(), Cp949(text));
  return line;
}
// Code 1-3, registration 5-16, owner 18-27, name 29-36, capacity 40-41, and a filler no field reads between.
QByteArray Vehicle(int i) {
  const QString code = QString::number(i % 1000).rightJustified(3, '0'), car = QString("%1가%2").arg(i % 100).arg(i);
  QByteArray line = Record(41, {{1, code}, {5, car}, {18, "차주"}, {29, "덤프"}, {40, "15"}});
  for (int at : {4, 17, 28, 37, 38, 39}) line[at - 1] = '|';
  return line;
}
void Write(const QString& path, QList<QByteArray> lines, bool trailer = true) {
  if (trailer) lines.append(Cp949(QString("합계 %1건").arg(lines.size())));
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly) && file.write(lines.join("\r\n") + "\r\n") > 0);
}
QJsonArray Harness(const QString& command, const QString& db, const QString& table) {
  QProcess python;
  python.start("/usr/bin/python3", {TABLES_SCRIPT, command, db, table});
  if (!python.waitForFinished(60000) || python.exitCode()) qFatal("%s", python.readAllStandardError().constData());
  return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}
QString Cell(const QJsonArray& rows, int row, const char* column) { return rows[row].toObject()[column].toString(); }
QString Text(const QAbstractItemModel& list, int row, int column, int role = Qt::DisplayRole) {
  return list.data(list.index(row, column), role).toString();
}
// What does not hold in `parent`'s layout: a shown child outside it, over a sibling, or smaller than the
// least its layout may give it; the children of plain containers likewise.
QStringList LayoutFaults(const QWidget& parent) {
  QStringList faults;
  QList<const QWidget*> shown;
  for (const QWidget* child : parent.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (child->isVisible() && !child->isWindow()) shown << child;
  for (const QWidget* w : shown) {
    const QString name = w->objectName() + ":" + w->metaObject()->className();
    if (!parent.rect().contains(w->geometry())) faults << name + " outside";
    for (const QWidget* other : shown)
      if (w < other && w->geometry().intersects(other->geometry())) faults << name + " over " + other->objectName();
    const auto* label = qobject_cast<const QLabel*>(w);
    QSize least = w->minimumSize();  // as layouts count it: an explicit minimum, else the hint unless ignored
    if (!least.width() && w->sizePolicy().horizontalPolicy() != QSizePolicy::Ignored) least.setWidth(w->minimumSizeHint().width());
    if (!least.height() && w->sizePolicy().verticalPolicy() != QSizePolicy::Ignored) least.setHeight(w->minimumSizeHint().height());
    if (label && label->wordWrap()) least.setHeight(w->heightForWidth(w->width()));  // every line
    if (w->width() < least.width() || w->height() < least.height()) faults << name + " cut";
    if (QByteArrayList{"QWidget", "QFrame", "QGroupBox", "QStatusBar"}.contains(w->metaObject()->className()))
      faults << LayoutFaults(*w);
  }
  return faults;
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT
  std::unique_ptr<QTemporaryDir> temp_;
  QString db_, files_, journal_;
  std::unique_ptr<Form1> form_;
  // The clerk: records every box, answers every question with `answer_`.
  QStringList messages_, questions_;
  std::vector<ModMain::Problem> problems_;
  std::vector<ModMain::JournalRun> pastRuns_;  // as "가져오기 기록" was last shown
  int chosenRun_ = -1;                          // the one chosen to undo there; none below 0
  std::vector<window::RunPreview> previews_;
  QStringList atPreview_;  // the phase, the bar and the line count as each preview opened
  window::PreviewAnswer previewAnswer_{true, false};
  bool answer_ = false;
  std::function<void()> onBox_;  // while a message box or a question is open

  void Box(QStringList& log, const QString& text) {
    log << text;
    if (onBox_) onBox_();
  }
  void Open(const QString& start = {}) {
    window::Form1Settings s;
    s.tableDirectory = db_, s.startDirectory = start.isEmpty() ? files_ : start, s.journalDirectory = journal_;
    s.messageBox = [this](const QString& text) { Box(messages_, text); };
    s.question = [this](const QString& text) { return Box(questions_, text), answer_; };
    s.problemList = [this](const QString&, const std::vector<ModMain::Problem>& found) { problems_ = found; };
    s.pastRuns = [this](const std::vector<ModMain::JournalRun>& runs) -> std::optional<ModMain::JournalRun> {
      pastRuns_ = runs;
      if (chosenRun_ < 0) return std::nullopt;
      return runs.at(static_cast<std::size_t>(chosenRun_));
    };
    s.preview = [this](const window::RunPreview& preview) {
      const QProgressBar& bar = *form_->ProgressBar1;
      atPreview_ << QString("%1 %2/%3 %4").arg(form_->Label2->text()).arg(bar.value()).arg(bar.maximum()).arg(
                        form_->StatusPanels[0]->text());
      previews_.push_back(preview);
      return previewAnswer_;
    };
    form_ = std::make_unique<Form1>(std::move(s));
    form_->show();
  }
  bool Press() {  // "실 행", until the run ends
    QSignalSpy finished(form_.get(), &Form1::RunFinished);
    QTest::mouseClick(form_->Command2, Qt::LeftButton);
    return finished.wait(120000) || !finished.isEmpty();
  }
  void Click(int kind) { QTest::mouseClick(form_->Option1[kind], Qt::LeftButton, {}, {8, 8}); }
  bool Run(int kind, const QString& file) {  // the option on its tab, the file in files_, "실 행"
    if (!form_) Open();
    form_->TabStrip1->setCurrentIndex(kind >= 6 ? 1 : 0);
    Click(kind);
    return form_->Dir1->SetPath(QFile::encodeName(files_)) && form_->File1->SelectName(file) && Press();
  }
  QString Summary() const { return form_->Label2->text() + " | " + form_->LabelSummary->text(); }
  bool Finished(QWidget* button) {  // pressing `button` starts an undo that ends
    QSignalSpy finished(form_.get(), &Form1::RunFinished);
    QTest::mouseClick(button, Qt::LeftButton);
    return finished.wait(60000);
  }

 private slots:
  void initTestCase() { QVERIFY(window::InstallQtKorean(*qApp)); }
  void init() {
    temp_ = std::make_unique<QTemporaryDir>();
    db_ = temp_->filePath("db"), files_ = temp_->filePath("files"), journal_ = temp_->filePath("journal");
    QVERIFY(QDir().mkpath(db_) && QDir().mkpath(files_) && QDir().mkpath(journal_));
    Harness("make", db_, "carno");
    messages_.clear(), questions_.clear(), problems_.clear(), pastRuns_.clear(), chosenRun_ = -1, answer_ = false, onBox_ = {};
    previews_.clear(), atPreview_.clear(), previewAnswer_ = {true, false};
  }
  void cleanup() {  // std::filesystem removes names in any encoding, QTemporaryDir only UTF-8 ones
    form_.reset();
    std::filesystem::remove_all(temp_->path().toStdString());
  }

  void qtsOwnButtonsAreKorean() {
    QMessageBox box(QMessageBox::Question, "", "", QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok | QMessageBox::Cancel);
    QStringList captions;
    for (QAbstractButton* button : box.buttons()) captions << button->text().remove(QRegularExpression("\\(&.\\)|&"));
    captions.sort();
    QCOMPARE(captions, QStringList({"아니요", "예", "취소", "확인"}));
  }

  void aVehicleRunFillsListProgressSummaryAndTable() {
    const QList<QByteArray> lines{Vehicle(1), Vehicle(2), Vehicle(120)};
    Write(files_ + "/G차량.txt", lines);
    QVERIFY(Run(1, "G차량.txt") && messages_.isEmpty());
    const QAbstractItemModel& list = *form_->RecordList;
    QCOMPARE(list.rowCount(), 3);
    for (int i = 0; i < 3; ++i) {
      QCOMPARE(Text(list, i, 0) + Text(list, i, 1), "성공" + Utf8(ModMain::Cp949ToUtf8(lines[i].toStdString())));
      QCOMPARE(Text(list, i, 1, Qt::ToolTipRole), Text(list, i, 1));
    }
    const QProgressBar& bar = *form_->ProgressBar1;
    QCOMPARE(QList<int>({bar.minimum(), bar.value(), bar.maximum()}), QList<int>({0, 3, 3}));
    QVERIFY2(Summary().startsWith("완료 | 저장한 행: carno 3행 · 메시지 0건 · 경과시간 "), qPrintable(Summary()));
    QCOMPARE(form_->StatusPanels[0]->text(), "파일 줄 수 : 4");
    QVERIFY(
        form_->StatusPanels[1]->text().contains(QRegularExpression("^경과시간 : (\\d+\\.\\d\\d초|0\\.01초 미만)$")));
    const QFontMetrics font(form_->ListView1->font());  // rows higher than the glyphs, so neighbours do not touch
    QVERIFY(form_->ListView1->sizeHintForRow(0) > std::max(font.lineSpacing(), font.boundingRect("가힣g").height()));
    QCOMPARE(Harness("rows", db_, "carno").size(), 3);
    // A one-line file imports nothing: an empty bar, not a busy one.
    Write(files_ + "/G차량.txt", {Vehicle(1)}, false);
    QVERIFY(Run(1, "G차량.txt") && bar.maximum() > bar.minimum() && bar.value() == bar.minimum());
  }

  void theSummaryCountsRowsPerTable_data() {
    QTest::addColumn<bool>("siteTable");
    QTest::addColumn<QString>("summary");
    QTest::newRow("sites saved") << true << "완료 | 저장한 행: vdrs110 3행, vdrs160 2행 · 메시지 0건";
    QTest::newRow("site table missing") << false << "완료 | 저장한 행: vdrs110 3행 · 메시지 1건";
  }
  void theSummaryCountsRowsPerTable() {  // G customers: code 1-3, name 5-24, site names at 26, 47, 68
    QFETCH(bool, siteTable);
    QFETCH(QString, summary);
    Harness("make", db_, "vdrs110");
    if (siteTable) Harness("make", db_, "vdrs160");
    Write(files_ + "/G거래처.txt", {Record(210, {{1, "001"}, {5, "가나상사"}}),
                                    Record(210, {{1, "002"}, {5, "다라건설"}, {26, "북부현장"}, {68, "남부현장"}}),
                                    Record(210, {{1, "003"}, {5, "마바산업"}})});
    QList<int> atBox;  // rows listed and whether the run still went on when a box opened
    onBox_ = [&] { atBox << form_->RecordList->rowCount() << form_->IsRunning(); };
    QVERIFY(Run(0, "G거래처.txt"));
    QVERIFY2(Summary().startsWith(summary), qPrintable(Summary()));
    QCOMPARE(Harness("rows", db_, "vdrs110").size() + (siteTable ? Harness("rows", db_, "vdrs160").size() : 0),
             siteTable ? 5 : 3);
    if (siteTable) return;
    QVERIFY(messages_[0].startsWith("파일의 2번째 줄: ") && atBox == QList<int>({1, 1}));
    // The same file again is asked about first: "no" writes nothing, "yes" appends (the counts are the run's own).
    QVERIFY(Run(0, "G거래처.txt") && Summary().startsWith("가져오지 않음 | 저장한 행: 없음 ·"));
    const QProgressBar& bar = *form_->ProgressBar1;  // the last run's rows and full bar are gone
    QCOMPARE(QList<int>({form_->RecordList->rowCount(), bar.value()}), QList<int>({0, bar.minimum()}));
    answer_ = true;
    QVERIFY(Run(0, "G거래처.txt") && Summary().startsWith(summary));
    QCOMPARE(Harness("rows", db_, "vdrs110").size(), 6);
    const QRegularExpression asked("^이미 가져온 파일입니다 \\(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d, 3행\\)\\. 다시 가져오시겠습니까\\?$");
    QVERIFY(questions_.size() == 2 && questions_.filter(asked).size() == 2);
  }

  void readyMixCustomersFillTheCodeMapList() {  // old code at 1, name at 8
    Harness("make", db_, "vdrs110");
    Write(files_ + "/레미콘거래처.txt",
          {Record(738, {{1, "1A0001"}, {8, "가나"}}), Record(738, {{1, "2B0002"}, {8, "다라"}})});
    QVERIFY(Run(6, "레미콘거래처.txt") && form_->CodeMap->rowCount() == 2);
    const QAbstractItemModel& map = *form_->CodeMap;
    QCOMPARE(Text(map, 1, 0) + Text(map, 1, 1) + Text(map, 1, 2), "2B0002200001다라");
    // The record column is as wide as the longest record (738 bytes): the list scrolls sideways.
    const QString record = Text(*form_->RecordList, 1, 1);
    QVERIFY(form_->ListView1->header()->sectionSize(1) >= form_->ListView1->fontMetrics().horizontalAdvance(record));
  }

  void theWholeFileIsCheckedFirst_data() {
    QTest::addColumn<bool>("tableMissing");
    QTest::addColumn<bool>("answer");  // to the question about the record length
    QTest::addColumn<QString>("summary");
    QTest::newRow("missing table") << true << false << "가져오지 않음 | 저장한 행: 없음 ·";
    QTest::newRow("45-byte records, no") << false << false << "가져오지 않음 | 저장한 행: 없음 ·";
    QTest::newRow("45-byte records, yes") << false << true << "완료 | 저장한 행: carno 3행 ·";
  }
  void theWholeFileIsCheckedFirst() {
    QFETCH(bool, tableMissing);
    QFETCH(bool, answer);
    QFETCH(QString, summary);
    if (tableMissing) QFile::remove(db_ + "/carno.dbf");
    QList<QByteArray> lines{Vehicle(1), Vehicle(2), Vehicle(3)};
    for (QByteArray& line : lines) line += tableMissing ? "" : "    ";
    Write(files_ + "/G차량.txt", lines);
    answer_ = answer;
    QVERIFY(Run(1, "G차량.txt") && messages_.isEmpty());
    QVERIFY2(Summary().startsWith(summary), qPrintable(Summary()));
    QCOMPARE(problems_.size(), tableMissing ? 1u : 0u);
    QCOMPARE(window::ProblemListText(problems_).count('\n'), int(problems_.size()) + 1);  // copied with a header
    QCOMPARE(questions_.size(), tableMissing ? 0 : 1);
    if (tableMissing) return;
    QVERIFY(questions_[0].contains("45바이트") && questions_[0].contains("41바이트"));
    QCOMPARE(Harness("rows", db_, "carno").size(), answer ? 3 : 0);
  }

  void thePreviewShowsWhatTheRunWillDoBeforeItsFirstRow() {
    Write(files_ + "/G차량.txt", {Vehicle(1), Vehicle(2), Vehicle(3), Vehicle(4)});
    previewAnswer_ = {false, false};  // "취소": nothing is written
    QVERIFY(Run(1, "G차량.txt") && Summary().startsWith("가져오지 않음 | 저장한 행: 없음 ·"));
    QCOMPARE(Harness("rows", db_, "carno").size(), 0);
    QCOMPARE(atPreview_, QStringList({"검사 4/4 파일 줄 수 : 5"}));  // checked whole, the count is this file's
    const window::RunPreview& shown = previews_.at(0);
    QCOMPARE(shown.kind + shown.tableDirectory + QString::number(shown.records.size()), "골재 · 차량" + db_ + "3");
    QVERIFY(shown.file.endsWith("/G차량.txt") && shown.rows == (std::map<std::string, int>{{"carno", 4}}));
    QStringList second;  // the second record cut into its named fields
    for (const ModMain::PreviewField& field : shown.records[1].fields) second << Utf8(field.name + "=" + field.text);
    QCOMPARE(second, QStringList({"차량코드=1002", "차량번호=2가2", "차주=차주", "이름=덤프", "적재량=15"}));
    previewAnswer_ = {true, true};  // "가져오기" with "다음부터 묻지 않기": no preview for the rest of the session
    QVERIFY(Run(1, "G차량.txt") && Summary().startsWith("완료 | 저장한 행: carno 4행 ·"));
    answer_ = true;  // to the re-import question
    QVERIFY(Run(1, "G차량.txt") && previews_.size() == 2 && Harness("rows", db_, "carno").size() == 8);
  }

  void stoppingTheCheckWritesNothing() {
    QList<QByteArray> lines;
    for (int i = 0; i < 32766; ++i) lines.append(Vehicle(i));
    Write(files_ + "/G차량.txt", lines);
    Open();
    QElapsedTimer sinceStop;
    QTimer watch;  // "중 지" as soon as the check shows itself
    connect(&watch, &QTimer::timeout, [&] {
      if (form_->Label2->text() != "검사" || sinceStop.isValid()) return;
      sinceStop.start();
      QTest::mouseClick(form_->CommandStop, Qt::LeftButton);
    });
    watch.start(1);
    QVERIFY(Run(1, "G차량.txt") && sinceStop.isValid());
    QVERIFY2(sinceStop.elapsed() < 1000, qPrintable(QString::number(sinceStop.elapsed())));
    // The check may have ended before the window saw it (a busy machine): the
    // stop then ends the run before its first row. Where the check stops is
    // the pipeline's test.
    QVERIFY2(QRegularExpression("^(가져오지 않음|중지됨) \\| 저장한 행: 없음 ·").match(Summary()).hasMatch(),
             qPrintable(Summary()));
    QVERIFY(Harness("rows", db_, "carno").isEmpty());
  }

  void stoppingOrClosingDuringARun_data() {
    QTest::addColumn<QString>("how");
    for (const char* how : {"중 지", "나가기, yes", "close box, yes", "close box, no"}) QTest::newRow(how) << how;
  }
  void stoppingOrClosingDuringARun() {
    QFETCH(QString, how);
    const int count = 32766;
    QList<QByteArray> lines;
    for (int i = 0; i < count; ++i) lines.append(Vehicle(i));
    Write(files_ + "/G차량.txt", {Vehicle(7), Vehicle(8)});  // rows before the run, which its undo keeps
    QVERIFY(Run(1, "G차량.txt"));
    Write(files_ + "/G차량.txt", lines);
    answer_ = how.endsWith("yes");  // to closing and to undoing the rows saved
    QString atAction;  // the buttons and the elapsed time while the run goes on
    connect(form_->RecordList, &QAbstractItemModel::rowsInserted, form_.get(), [&] {
      if (!atAction.isEmpty() || form_->RecordList->rowCount() < 50) return;
      atAction = QString("%1%2%3%4 ").arg(form_->Command2->isEnabled()).arg(form_->CommandStop->isEnabled()).arg(
                     form_->CommandUndo->isEnabled()).arg(form_->CommandHistory->isEnabled()) + form_->StatusPanels[1]->text().left(7);
      QWidget* button = how == "중 지" ? form_->CommandStop : how.startsWith("나가기") ? form_->Command1 : nullptr;
      button ? QTest::mouseClick(button, Qt::LeftButton) : void(form_->close());  // else the close box
    });
    QElapsedTimer clock;
    clock.start();
    QVERIFY(Run(1, "G차량.txt"));
    const double shown = form_->StatusPanels[1]->text().section(' ', 2).chopped(1).toDouble();
    QVERIFY2(shown > 0 && shown <= clock.elapsed() / 1000.0 + 0.005, qPrintable(form_->StatusPanels[1]->text()));
    QCOMPARE(atAction + QString::number(form_->CommandStop->isEnabled()), "0100 경과시간 : 0");
    QTRY_COMPARE(form_->isVisible(), !answer_);
    const int listed = form_->RecordList->rowCount();
    const bool stopped = listed < count, undone = stopped && answer_;
    QCOMPARE(stopped, how != "close box, no");
    QStringList asked = how == "중 지" ? QStringList() : QStringList{window::kCloseQuestion};
    if (stopped) asked << window::UndoOfferQuestion(ModMain::RunEnd::kStopped, {{"carno", listed}});
    QCOMPARE(questions_, asked);
    const QString end = stopped ? "중지됨" : "완료";
    QVERIFY2(Summary().startsWith(QString("%1 | 저장한 행: carno %2행 ·").arg(end).arg(listed)), qPrintable(Summary()));
    QCOMPARE(Summary().endsWith(QString(" · 되돌림: 행 %1개 지움").arg(listed)), undone);
    const QJsonArray rows = Harness("rows", db_, "carno");  // an independent reader: the table is valid
    QCOMPARE(rows.size(), 2 + (undone ? 0 : listed));
    for (int i = 2; i < rows.size(); i += 97)
      QCOMPARE(Cell(rows, i, "CNO"), "1" + Text(*form_->RecordList, i - 2, 1).left(3));
  }

  void anyPastRunCanBeUndoneAndTheLastOneByItsButton() {
    for (const QList<QByteArray>& lines : {QList<QByteArray>{Vehicle(1), Vehicle(2)}, {Vehicle(3)}}) {
      Write(files_ + "/G차량.txt", lines);
      QVERIFY(Run(1, "G차량.txt"));
    }
    QFile log(journal_ + "/journal.log");  // a damaged line is skipped and named
    QVERIFY(log.open(QIODevice::Append) && log.write("\nbroken line") > 0);
    log.close();
    Open();  // a new window finds the runs in the journal
    QVERIFY(form_->CommandUndo->isEnabled());
    // "가져오기 기록", newest first: the older run is undone; the last one stays undoable.
    chosenRun_ = 1, answer_ = true;
    QVERIFY(Finished(form_->CommandHistory) && form_->CommandUndo->isEnabled());
    const std::vector<ModMain::JournalRun> before = pastRuns_;
    QVERIFY(before.size() == 2 && before[0].Rows() == 1 && before[1].Rows() == 2);
    QCOMPARE(Harness("rows", db_, "carno").size(), 1);
    answer_ = false;  // "no": nothing changes
    QTest::mouseClick(form_->CommandUndo, Qt::LeftButton);
    QCOMPARE(Harness("rows", db_, "carno").size(), 1);
    answer_ = true;
    QVERIFY(Finished(form_->CommandUndo) && !form_->CommandUndo->isEnabled());
    QCOMPARE(Harness("rows", db_, "carno").size(), 0);
    QCOMPARE(questions_, QStringList({window::UndoChosenQuestion(before[1]), window::UndoLastQuestion(before[0]),
                                      window::UndoLastQuestion(before[0])}));
    QVERIFY(questions_[1].startsWith("마지막 가져오기를 되돌리시겠습니까?") && questions_[1].contains("G차량.txt: 저장한 행 1개"));
    const QRegularExpression told("번째 줄이 손상되어 건너뛰었습니다\\.\r\n"
                                  "가져오기\\(.+, 골재 · 차량, G차량\\.txt\\)를 되돌렸습니다: 행 ([12])개를 지웠습니다\\.$");
    QCOMPARE(messages_.size(), 2);
    QCOMPARE(told.match(messages_[0]).captured(1) + told.match(messages_[1]).captured(1), "21");
    // The dialog: a run with rows not undone can be chosen; an undone one cannot.
    chosenRun_ = -1;
    QTest::mouseClick(form_->CommandHistory, Qt::LeftButton);
    for (const bool first : {true, false}) {
      window::HistoryDialog dialog(db_, first ? before : pastRuns_);
      QStringList rows;
      for (int row = 0; row < dialog.List->topLevelItemCount(); ++row) {
        const QTreeWidgetItem& item = *dialog.List->topLevelItem(row);
        rows << QStringList({item.text(1), item.text(2), item.text(3), item.text(4), item.text(5).left(2)}).join('|');
      }
      const QString undone = first ? "" : "20";  // the year of the undo
      QCOMPARE(rows, QStringList({"골재 · 차량|G차량.txt|carno 1행|완료|" + undone, "골재 · 차량|G차량.txt|carno 2행|완료|" + undone}));
      QCOMPARE(dialog.UndoButton->isEnabled(), first);
      QTest::mouseClick(dialog.UndoButton, Qt::LeftButton);
      QCOMPARE(dialog.ChosenRun().has_value(), first);
    }
    Open();  // undone: nothing more to undo
    QVERIFY(!form_->CommandUndo->isEnabled());
  }

  void aRunKilledBeforeItsEndIsOfferedForUndoAtStart() {
    Write(files_ + "/G차량.txt", {Vehicle(1), Vehicle(2)});
    QVERIFY(Run(1, "G차량.txt"));
    QFile log(journal_ + "/journal.log");  // without its end line, as a killed run leaves it
    QVERIFY(log.open(QIODevice::ReadWrite) && log.resize(log.readAll().lastIndexOf('\n')));
    log.close();
    for (bool yes : {false, true}) {
      answer_ = yes, questions_.clear();
      Open();
      QSignalSpy finished(form_.get(), &Form1::RunFinished);
      QTRY_COMPARE(questions_.size(), 1);
      QVERIFY(questions_[0].startsWith("지난 가져오기가 끝나지 않았습니다") && questions_[0].contains("G차량.txt: 저장한 행 2개"));
      QTRY_COMPARE_WITH_TIMEOUT(finished.size(), yes ? 1 : 0, 60000);
      QCOMPARE(Harness("rows", db_, "carno").size(), yes ? 0 : 2);
    }
  }

  void theChosenKindStaysVisibleAndRefusalsSayWhatToDo() {
    for (const char* name : {"G거래처.txt", "G차량.txt"}) Write(files_ + "/" + name, {Vehicle(1)});
    Open();
    QCOMPARE(form_->LabelKind->text(), Utf8(ModMain::KindLabel(ImportKind::kGCustomers)));
    for (int tab : {1, 0}) {  // each tab shows the options of its own kinds
      form_->TabStrip1->setCurrentIndex(tab);
      QList<int> shown;
      for (int kind = 0; kind < ModMain::kKindCount; ++kind)
        if (form_->Option1[kind]->isVisible()) shown << kind;
      QCOMPARE(shown, tab == 0 ? QList<int>({0, 1, 2, 3, 4, 5}) : QList<int>({6, 7, 8, 9, 10}));
    }
    QVERIFY(form_->File1->SelectName("G차량.txt") && Press());  // no option chosen: kind 0
    QTest::mouseClick(form_->TabStrip1, Qt::LeftButton, {}, form_->TabStrip1->tabRect(1).center());
    Click(7);
    QTest::mouseClick(form_->TabStrip1, Qt::LeftButton, {}, form_->TabStrip1->tabRect(0).center());
    QVERIFY(!form_->Option1[7]->isVisible() && form_->Option1[7]->isChecked() && form_->ImportKind == ImportKind::kReadyMixSites);
    QCOMPARE(form_->LabelKind->text(), "레미콘 · 현장");
    QVERIFY(form_->File1->SelectName("G거래처.txt") && Press());  // the hidden option runs
    QListWidget& files = *form_->File1;  // Ctrl+click: still the current entry, no longer chosen
    QTest::mouseClick(files.viewport(), Qt::LeftButton, Qt::ControlModifier, files.visualItemRect(files.currentItem()).center());
    QVERIFY(files.currentItem() && Press());
    const std::string rule = ModMain::KindInfoOf(ImportKind::kReadyMixSites).nameRule;
    QCOMPARE(messages_, QStringList({Utf8(ModMain::WrongFileMessage(ImportKind::kGCustomers)),
                                     Utf8(ModMain::WrongFileMessage(ImportKind::kReadyMixSites)),
                                     Utf8(ModMain::NoFileChosenMessage(ModMain::KindLabel(ImportKind::kReadyMixSites), rule))}));
    QVERIFY(messages_[1].contains(Utf8(rule)) && messages_[2].contains(Utf8(rule)));
    QCOMPARE(form_->Label2->text() + QString::number(form_->RecordList->rowCount()), "진행상황 0");  // nothing changed
    QTRY_VERIFY(form_->File1->hasFocus());
  }

  void theLayoutHoldsFromTheMinimumSizeUp() {  // at QT_SCALE_FACTOR=2 too (window_test_scale2)
    Open();
    form_->LabelSummary->setText(window::SummaryText({{"vdrs110", 3000}, {"vdrs160", 2000}}, 12, 61250) +
                                 " · 되돌림: 행 5000개 지움");
    form_->TabStrip1->setCurrentIndex(1);  // the tab of the longer captions
    for (const QSize size : {form_->minimumSize(), QSize(1600, 1000)}) {
      form_->resize(size);
      QTRY_COMPARE(form_->size(), form_->minimumSize().expandedTo(size));  // the summary may ask for more height
      QTRY_VERIFY2(LayoutFaults(*form_).isEmpty(), qPrintable(LayoutFaults(*form_).join(", ")));
    }
  }

  void theProblemListCopiesSavesAndClosesByKeyboard() {
    const std::vector<ModMain::Problem> found{{2, "CNO", "1,\"A\"", "숫자가 아닙니다"}, {0, "", "", "파일이 비었습니다\r\n다시"}};
    QCOMPARE(window::ProblemListCsv(found), QByteArray("\xEF\xBB\xBF줄,필드,내용,이유\r\n2,CNO,\"1,\"\"A\"\"\",숫자가 아닙니다\r\n파일,,,파일이 비었습니다 다시\r\n"));
    QCOMPARE(window::CsvText({{"a\nb", "c\rd", "e"}}), QByteArray("\xEF\xBB\xBF\"a\nb\",\"c\rd\",e\r\n"));
    std::unique_ptr<QDialog> dialog(window::NewProblemList(nullptr, "", found));
    dialog->show();
    auto& table = *dialog->findChild<QTableWidget*>("ProblemTable");
    QTest::keyClick(&table, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&table, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), "2\tCNO\t1,\"A\"\t숫자가 아닙니다\n파일\t\t\t파일이 비었습니다 다시\n");
    QPushButton* copy = nullptr;
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) copy = button->text() == "복사(&C)" ? button : copy;
    QVERIFY(copy);
    QTest::mouseClick(copy, Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), window::ProblemListText(found));
    QTest::keyClick(copy, Qt::Key_Return);  // the default button, "닫기"
    QVERIFY(!dialog->isVisible() && dialog->result() == QDialog::Rejected);
  }

  void browsingAndTheKeyboard() {
    const auto drives = window::BrowsableDrives(
        "overlay / overlay rw 0 0\nproc /proc proc rw 0 0\n/dev/sda2 /home ext4 rw 0 0\n/dev/sda3 /var ext4 rw 0 0\n"
        "/dev/sdb1 /media/kim/USB\\040DISK\\134a vfat rw 0 0\ntmpfs /mnt/t tmpfs rw 0 0\n/dev/sda2 /home ext4 0 0\n");
    std::string points;
    for (const auto& drive : drives) points += drive.mountPoint + ";";
    QCOMPARE(points, "/;/home;/media/kim/USB DISK\\a;");
    QCOMPARE(window::DriveOfPath(drives, "/homework") + window::DriveOfPath(drives, "/home/kim"), "//home");
    QCOMPARE(window::BrowsableDrives("/dev/sda2 /home ext4 rw 0 0\n").front().mountPoint, "/");
    const std::vector<window::MountedDrive> letters{{"C:/", "fixed", ""}, {"Z:/", "network", "\\\\nas\\erp"}};
    QCOMPARE(window::DriveOfPath(letters, "Z:/erp/db") + window::DriveCaption(letters[1]) + window::DriveCaption(letters[0]),
             "Z:/Z: [\\\\nas\\erp]C:");
    std::string roots;
    for (const char* path : {"/", "/home/kim", "C:/data", "c:", "//nas/erp/db", "//nas", "db"})
      roots += std::to_string(window::RootLength(path)) + ";";
    QCOMPARE(roots, "1;1;3;2;10;5;0;");

    QVERIFY(QDir(files_).mkpath("folder.txt") && QDir(files_).mkpath("usb/old"));
    for (const char* name : {"a.txt", "B.TXT", "d.txt.bak", ".hidden.txt", "usb/old/x.txt"})
      Write(files_ + "/" + name, {});
    const QByteArray cp949Name = QFile::encodeName(files_) + "/" + Cp949("G차량.txt");
    std::fclose(std::fopen(cp949Name.constData(), "w"));
    Open(temp_->filePath("gone"));
    QCOMPARE(form_->Dir1->Path(), "/");  // the start folder is gone: the root
    form_->Drive1->SetDrives({{"/", "", ""}, {(files_ + "/usb").toStdString(), "", ""}, {(files_ + "/no").toStdString(), "", ""}});
    QVERIFY(form_->Dir1->SetPath(QFile::encodeName(files_)));
    QStringList listed;  // in name order, whatever the letter case
    for (int i = 0; i < form_->File1->count(); ++i) listed << form_->File1->item(i)->text();
    QCOMPARE(listed, QStringList({"a.txt", "B.TXT", "G차량.txt"}));
    QVERIFY(form_->File1->SelectName("G차량.txt"));
    QCOMPARE(form_->File1->SelectedName(), Cp949("G차량.txt"));  // kept as the disk's bytes
    // A click on a folder leaves the lists; opening a vanished one says so.
    QListWidget& dir = *form_->Dir1;
    QTest::mouseClick(dir.viewport(), Qt::LeftButton, {}, dir.visualItemRect(dir.findItems("usb", {})[0]).center());
    QVERIFY(QDir(files_).rmdir("folder.txt"));
    emit dir.itemActivated(dir.findItems("folder.txt", {})[0]);
    QCOMPARE(QString::number(messages_.size()) + QFile::decodeName(form_->File1->Path()), "1" + files_);

    // Tab follows the layout ("중 지" is off between runs) to the chosen option; Enter opens a folder, and on a
    // file it runs.
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    const QList<QWidget*> expected{form_->Drive1,    form_->Dir1,       form_->File1,    form_->TabStrip1,
                                   form_->Option1[0], form_->Command2,  form_->ListView1, form_->listHyun,
                                   form_->CommandHistory, form_->Command1};
    QList<QWidget*> order{form_->Drive1};
    form_->Drive1->setFocus();
    for (int tabs = 0; tabs < 40 && order.size() < expected.size(); ++tabs) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      if (expected.contains(QApplication::focusWidget())) order.append(QApplication::focusWidget());
    }
    QCOMPARE(order, expected);
    for (const char* folder : {"usb", "old"}) {
      dir.setCurrentItem(dir.findItems(folder, {})[0]);
      QTest::keyClick(&dir, Qt::Key_Return);
    }
    QVERIFY(form_->File1->SelectName("x.txt"));
    QTest::keyClick(form_->File1, Qt::Key_Return);
    QTRY_COMPARE(messages_.last(), Utf8(ModMain::WrongFileMessage(ImportKind::kGCustomers)));

    // A drive opens at its last folder, or at its top when that is gone; an unreadable one says so.
    auto choose = [&](int drive) {
      form_->Drive1->setCurrentIndex(drive);
      return QFile::decodeName(form_->File1->Path()).mid(files_.size());
    };
    QVERIFY(choose(0) == "" && choose(1) == "/usb/old");
    QVERIFY(QDir(files_ + "/usb/old").removeRecursively() && choose(0) == "" && choose(1) == "/usb");
    QCOMPARE(choose(2), "/usb");
    QCOMPARE(QString::number(messages_.size()) + QString::number(form_->Drive1->currentIndex()), "31");

    // An arrow chooses the next option; Alt+M shows "레미콘"; Tab reaches the shown tab's options though the
    // chosen one is on the other; Alt and a number choose on the shown tab; Enter presses the focused button.
    QTest::keyClick(form_->Option1[0], Qt::Key_Down);
    QVERIFY(form_->Option1[1]->isChecked() && form_->Option1[1]->hasFocus() && form_->ImportKind == ImportKind::kGVehicles);
    QTest::keyClick(form_.get(), Qt::Key_M, Qt::AltModifier);  // the tab "레미콘(&M)"
    QCOMPARE(form_->TabStrip1->currentIndex(), 1);
    form_->TabStrip1->setFocus();
    QTest::keyClick(form_->TabStrip1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form_->Option1[6]);
    QTest::keyClick(form_->Option1[6], Qt::Key_Up);  // around to the tab's last
    QCOMPARE(form_->LabelKind->text(), "레미콘 · 계산서");
    QTest::keyClick(form_.get(), Qt::Key_2, Qt::AltModifier);
    QTRY_VERIFY(form_->Option1[7]->isChecked() && form_->ImportKind == ImportKind::kReadyMixSites);  // an animated click
    QTest::keyClick(form_->Command1, Qt::Key_Return);
    QVERIFY(!form_->isVisible());
  }
};

QTEST_MAIN(WindowTest)
#include "test_window.moc"
