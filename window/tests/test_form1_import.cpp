// Vehicle imports through the real window into tables made by python3-dbf and
// read back by python3-dbfread: the record list, progress, status panels,
// message boxes, and closing the window in the middle of a run.
#include <QApplication>
#include <QJsonObject>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "common/encoding.h"
#include "window_test_support.h"

using namespace windowtest;

namespace {

QString RowText(const QByteArray& cp949) {
  return QString::fromStdString(ModMain::Cp949ToUtf8(cp949.toStdString()));
}

// `count` distinct vehicle records and a trailer line the import leaves out.
QList<QByteArray> VehicleFile(int count) {
  QList<QByteArray> lines;
  for (int i = 0; i < count; ++i) {
    lines.append(VehicleRecord(QString::number(i % 1000).rightJustified(3, '0'),
                               QStringLiteral("%1가%2").arg(i % 100).arg(i, 5, 10, QChar('0')),
                               QStringLiteral("차주%1").arg(i % 7), QStringLiteral("덤프"),
                               QString::number(i % 30)));
  }
  lines.append(Cp949(QStringLiteral("합계 %1건").arg(count)));
  return lines;
}

}  // namespace

class Form1Import : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    temp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(temp_->isValid());
    db_ = temp_->filePath(QStringLiteral("db"));
    files_ = temp_->filePath(QStringLiteral("files"));
    QVERIFY(QDir().mkpath(db_) && QDir().mkpath(files_));
    QString error;
    QVERIFY2(MakeTable(db_, QStringLiteral("carno"), &error), qPrintable(error));
  }
  void cleanup() { temp_.reset(); }

  void vehicleImportFillsListProgressAndTable() {
    const QList<QByteArray> lines = {
        VehicleRecord("001", "12가3456", "홍길동", "덤프", "15"),
        VehicleRecord("", "서울34나5678", "김철수", "믹서", ""),
        VehicleRecord("120", "99다9999", "이영희", "트럭", "x1"),
        Cp949(QStringLiteral("합계 3건"))};
    WriteExport(files_ + QStringLiteral("/G차량.txt"), lines);
    MessageLog log;
    auto form = MakeForm(db_, log);
    ClickOption(*form, 1);
    QVERIFY(Choose(*form, files_, QStringLiteral("G차량.txt")));
    QVERIFY(RunAndWait(*form));

    QVERIFY2(log.messages.isEmpty(), qPrintable(log.messages.join('|')));
    QCOMPARE(form->RecordList->rowCount(), 3);
    for (int i = 0; i < 3; ++i) {
      QCOMPARE(form->RecordList->Row(i).status, QStringLiteral("성공"));
      QCOMPARE(form->RecordList->Row(i).data, RowText(lines[i]));
    }
    QCOMPARE(form->ProgressBar1->minimum(), 0);
    QCOMPARE(form->ProgressBar1->maximum(), 3);
    QCOMPARE(form->ProgressBar1->value(), 3);
    QCOMPARE(form->Label2->text(), QStringLiteral("데이터 인서트"));
    QCOMPARE(form->StatusPanels[0]->text(), QStringLiteral("전체레코드수 : 4"));
    QVERIFY(form->StatusPanels[1]->text().startsWith(QStringLiteral("경과시간 : ")));
    QVERIFY(form->Command2->isEnabled());

    QJsonArray rows;
    QString error;
    QVERIFY2(ReadRows(db_, QStringLiteral("carno"), &rows, &error), qPrintable(error));
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].toObject()["CNO"].toString(), QStringLiteral("1001"));
    QCOMPARE(rows[0].toObject()["CAR_NUM"].toString(), QStringLiteral("12가3456"));
    QCOMPARE(rows[0].toObject()["OWNER"].toString(), QStringLiteral("홍길동"));
    QCOMPARE(rows[0].toObject()["CAR_CAP"].toDouble(), 15.0);
    QCOMPARE(rows[1].toObject()["CNO"].toString(), QStringLiteral("1"));
    QCOMPARE(rows[1].toObject()["CAR_NUM"].toString(), QStringLiteral("서울34나5678"));
    QCOMPARE(rows[1].toObject()["CAR_CAP"].toDouble(), 0.0);
    QCOMPARE(rows[2].toObject()["NAME"].toString(), QStringLiteral("트럭"));
    QCOMPARE(rows[2].toObject()["CAR_CAP"].toDouble(), 0.0);
  }

  void missingTableMessageLeavesTheDisplay() {
    QFile::remove(db_ + QStringLiteral("/carno.dbf"));
    WriteExport(files_ + QStringLiteral("/G차량.txt"), VehicleFile(2));
    MessageLog log;
    auto form = MakeForm(db_, log);
    form->Option1[1]->click();
    QVERIFY(Choose(*form, files_, QStringLiteral("G차량.txt")));
    QVERIFY(RunAndWait(*form));
    QCOMPARE(log.messages, QStringList{QStringLiteral(
                               "차량 테이블이 없습니다.\r\n테이블을 확인하고 다시 시도하십시오.")});
    QCOMPARE(form->RecordList->rowCount(), 0);
    QCOMPARE(form->Label2->text(), QStringLiteral("파일읽기"));  // the load's caption stays
  }

  void oneLineFileShowsAnEmptyBarNotABusyOne() {
    WriteExport(files_ + QStringLiteral("/G차량.txt"), {VehicleRecord("001", "1", "2", "3", "4")});
    MessageLog log;
    auto form = MakeForm(db_, log);
    form->Option1[1]->click();
    QVERIFY(Choose(*form, files_, QStringLiteral("G차량.txt")));
    QVERIFY(RunAndWait(*form));
    QVERIFY(log.messages.isEmpty());
    QCOMPARE(form->RecordList->rowCount(), 0);
    QVERIFY(form->ProgressBar1->maximum() > form->ProgressBar1->minimum());
    QCOMPARE(form->ProgressBar1->value(), form->ProgressBar1->minimum());
    QCOMPARE(form->View().LogicalMaximum(), 0);
    QJsonArray rows;
    QString error;
    QVERIFY2(ReadRows(db_, QStringLiteral("carno"), &rows, &error), qPrintable(error));
    QCOMPARE(rows.size(), 0);
  }

  void secondRunIsRefusedWhileOneIsInProgress() {
    const int count = 20000;
    WriteExport(files_ + QStringLiteral("/G차량.txt"), VehicleFile(count));
    MessageLog log;
    auto form = MakeForm(db_, log);
    form->Option1[1]->click();
    QVERIFY(Choose(*form, files_, QStringLiteral("G차량.txt")));
    QSignalSpy finished(form.get(), &window::Form1::RunFinished);
    form->Command2->click();
    QVERIFY(form->IsRunning());
    QVERIFY(!form->Command2->isEnabled());
    form->Command2->click();  // ignored: the button is disabled
    QMetaObject::invokeMethod(form->Command2, "click");
    QVERIFY(finished.wait(120000));
    QTest::qWait(200);
    QCOMPARE(finished.size(), 1);
    QVERIFY(log.messages.isEmpty());
    QCOMPARE(form->RecordList->rowCount(), count);
    QJsonArray rows;
    QString error;
    QVERIFY2(ReadRows(db_, QStringLiteral("carno"), &rows, &error), qPrintable(error));
    QCOMPARE(rows.size(), count);
  }

  void closingDuringARunStopsItAndLeavesAValidTable() {
    const int count = 30000;
    const QList<QByteArray> lines = VehicleFile(count);
    WriteExport(files_ + QStringLiteral("/G차량.txt"), lines);
    MessageLog log;
    auto form = MakeForm(db_, log);
    form->Option1[1]->click();
    QVERIFY(Choose(*form, files_, QStringLiteral("G차량.txt")));
    QSignalSpy finished(form.get(), &window::Form1::RunFinished);
    form->Command2->click();
    QTRY_VERIFY_WITH_TIMEOUT(form->RecordList->rowCount() > 50, 60000);
    QTest::mouseClick(form->Command1, Qt::LeftButton);  // "나가기" during the run
    QVERIFY(finished.wait(60000) || !finished.isEmpty());
    QTRY_VERIFY(!form->isVisible());
    QVERIFY(log.messages.isEmpty());
    const int listed = form->RecordList->rowCount();
    QVERIFY2(listed < count, "the run went on after the window was closed");

    QJsonArray rows;
    QString error;
    QVERIFY2(ReadRows(db_, QStringLiteral("carno"), &rows, &error), qPrintable(error));
    // Every listed record is in the table, in order, and nothing else is.
    QCOMPARE(rows.size(), listed);
    for (int i = 0; i < rows.size(); i += 97) {
      const QString code = QString::number(i % 1000).rightJustified(3, '0');
      QCOMPARE(rows[i].toObject()["CNO"].toString(), QStringLiteral("1") + code);
    }
  }

 private:
  std::unique_ptr<QTemporaryDir> temp_;
  QString db_;
  QString files_;
};

QTEST_MAIN(Form1Import)
#include "test_form1_import.moc"
