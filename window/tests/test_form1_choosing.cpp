// Choosing an import kind with the tabs and options, and the run button's
// file-name test, through the real window.
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <memory>

#include "import/kinds.h"
#include "common/messages.h"
#include "import/dispatcher.h"
#include "window_test_support.h"

using namespace windowtest;

namespace {

QString WrongFile(int kind) { return QString::fromStdString(ModMain::WrongFileMessage(kind)); }

}  // namespace

class Form1Choosing : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    temp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(temp_->isValid());
    db_ = temp_->filePath(QStringLiteral("db"));
    files_ = temp_->filePath(QStringLiteral("files"));
    QVERIFY(QDir().mkpath(db_) && QDir().mkpath(files_));
    const QByteArray line = VehicleRecord("001", "12가3456", "홍길동", "덤프", "15");
    for (const char* name : {"G거래처.txt", "G차량.txt", "g차량.txt", "레미콘현장.txt"}) {
      WriteExport(files_ + '/' + QString::fromUtf8(name), {line, line});
    }
  }

  void startsAsTheClerkKnowsIt() {
    MessageLog log;
    auto form = MakeForm(db_, log);
    QCOMPARE(form->windowTitle(), QStringLiteral("Form1"));
    QCOMPARE(form->Label1->text(), QStringLiteral("인서트할 텍스트 파일을 선택"));
    QCOMPARE(form->Command2->text(), QStringLiteral("실 행"));
    QCOMPARE(form->Label2->text(), QStringLiteral("진행상황 "));
    QCOMPARE(form->Command1->text(), QStringLiteral("나가기"));
    QCOMPARE(form->TabStrip1->count(), 2);
    QCOMPARE(form->TabStrip1->tabText(0), QStringLiteral("골재"));
    QCOMPARE(form->TabStrip1->tabText(1), QStringLiteral("레미콘"));
    const QStringList captions{"거래처", "차량", "판매", "수금", "세금", "송장",
                               "거래처", "현장", "일일판매", "수금", "계산서"};
    for (int kind = 0; kind < 11; ++kind) {
      QCOMPARE(form->Option1[kind]->text(), captions[kind]);
      QCOMPARE(form->Option1[kind]->isVisible(), kind < 6);
      QVERIFY(!form->Option1[kind]->isChecked());
    }
    QCOMPARE(int(form->ImportKind), 0);
    QCOMPARE(form->RecordList->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("상태"));
    QCOMPARE(form->RecordList->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("레코드 데이터"));
    QCOMPARE(form->RecordList->rowCount(), 0);
    QCOMPARE(form->listHyun->headerItem()->text(0), QStringLiteral("예전코드"));
    QCOMPARE(form->listHyun->headerItem()->text(1), QStringLiteral("현재코드"));
    QCOMPARE(form->listHyun->headerItem()->text(2), QStringLiteral("현장명"));
    QCOMPARE(form->StatusPanels[0]->text(), QStringLiteral("전체레코드수"));
    QCOMPARE(form->StatusPanels[1]->text(), QStringLiteral("경과시간"));
    QCOMPARE(form->StatusPanels[2]->text(), QDate::currentDate().toString("yyyy-MM-dd"));
    QVERIFY(form->LabelTableDirectory->text().contains(db_));
    QVERIFY(form->StatusBar1->toolTip().contains(db_));
    QVERIFY(log.messages.isEmpty());
  }

  void hiddenChosenOptionStaysChosenAndRuns() {
    MessageLog log;
    auto form = MakeForm(db_, log);
    QTest::mouseClick(form->TabStrip1, Qt::LeftButton, {},
                      form->TabStrip1->tabRect(1).center());
    QCOMPARE(form->TabStrip1->currentIndex(), 1);
    for (int kind = 0; kind < 11; ++kind) QCOMPARE(form->Option1[kind]->isVisible(), kind >= 6);
    ClickOption(*form, 7);
    QCOMPARE(int(form->ImportKind), 7);

    QTest::mouseClick(form->TabStrip1, Qt::LeftButton, {},
                      form->TabStrip1->tabRect(0).center());
    QVERIFY(!form->Option1[7]->isVisible());
    QVERIFY(form->Option1[7]->isChecked());
    QCOMPARE(int(form->ImportKind), 7);
    for (int kind = 0; kind < 6; ++kind) QVERIFY(!form->Option1[kind]->isChecked());

    // Kind 7 refuses the kind-0 file and accepts its own, whose table is missing.
    QVERIFY(Choose(*form, files_, "G거래처.txt"));
    QVERIFY(RunAndWait(*form));
    QCOMPARE(log.messages, QStringList{WrongFile(7)});
    QVERIFY(Choose(*form, files_, "레미콘현장.txt"));
    QVERIFY(RunAndWait(*form));
    QCOMPARE(log.messages.size(), 2);
    QCOMPARE(log.messages[1],
             QStringLiteral("현장 테이블이 없습니다.\r\n테이블을 확인하고 다시 시도하십시오."));
    QCOMPARE(form->StatusPanels[0]->text(), QStringLiteral("전체레코드수 : 2"));
  }

  void optionsAreOneGroupAcrossTabs() {
    MessageLog log;
    auto form = MakeForm(db_, log);
    ClickOption(*form, 4);
    QCOMPARE(int(form->ImportKind), 4);
    form->TabStrip1->setCurrentIndex(1);
    ClickOption(*form, 10);
    QCOMPARE(int(form->ImportKind), 10);
    QVERIFY(form->Option1[10]->isChecked());
    QVERIFY(!form->Option1[4]->isChecked());
    form->TabStrip1->setCurrentIndex(0);
    QCOMPARE(int(form->ImportKind), 10);
  }

  void noChoiceRunsKindZero() {
    MessageLog log;
    auto form = MakeForm(db_, log);
    QVERIFY(Choose(*form, files_, "G차량.txt"));
    QVERIFY(RunAndWait(*form));
    QCOMPARE(log.messages, QStringList{WrongFile(0)});
    // The kind-0 file is loaded (its count shows) and its import reaches the
    // customer table, which this database lacks.
    QVERIFY(Choose(*form, files_, "G거래처.txt"));
    QVERIFY(RunAndWait(*form));
    QCOMPARE(form->StatusPanels[0]->text(), QStringLiteral("전체레코드수 : 2"));
    QCOMPARE(log.messages.size(), 2);
    QVERIFY(log.messages[1] != WrongFile(0));
  }

  void wrongFileLoadsNothingAndFocusesTheFileList() {
    MessageLog log;
    auto form = MakeForm(db_, log);
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    ClickOption(*form, 1);
    QVERIFY(Choose(*form, files_, "g차량.txt"));  // the letter case counts
    form->Command2->setFocus();
    QVERIFY(RunAndWait(*form));
    QCOMPARE(log.messages, QStringList{WrongFile(1)});
    QVERIFY(form->LastResult() == ModMain::DispatchResult::kRefused);
    QCOMPARE(form->Label2->text(), QStringLiteral("진행상황 "));
    QCOMPARE(form->StatusPanels[0]->text(), QStringLiteral("전체레코드수"));
    QCOMPARE(form->StatusPanels[1]->text(), QStringLiteral("경과시간"));
    QCOMPARE(form->RecordList->rowCount(), 0);
    QTRY_VERIFY(form->File1->hasFocus());

    // No file selected at all: a message of its own.
    form->File1->clearSelection();
    form->File1->setCurrentItem(nullptr);
    QVERIFY(RunAndWait(*form));
    QCOMPARE(log.messages.size(), 2);
    QVERIFY(log.messages[1].startsWith(QStringLiteral("가져올 파일을 고르지 않았습니다.")));
  }

  void failedOpenShowsItsMessageAndTheWindowOpens() {
    MessageLog log;
    auto form = MakeForm(temp_->filePath(QStringLiteral("no-such-folder")), log);
    QCOMPARE(log.messages.size(), 1);
    QVERIFY(!log.messages[0].isEmpty());
    QVERIFY(form->isVisible());
    QVERIFY(form->Command2->isEnabled());
    form->close();
    QCOMPARE(log.messages.size(), 1);  // closing after a failed open says nothing more
  }

  void cleanup() { temp_.reset(); }

 private:
  std::unique_ptr<QTemporaryDir> temp_;
  QString db_;
  QString files_;
};

QTEST_MAIN(Form1Choosing)
#include "test_form1_choosing.moc"
