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
#include <QTreeWidget>
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

  void customersThenSitesGoThroughTheCodeMapList() {
    QString error;
    QVERIFY2(MakeTable(db_, QStringLiteral("vdrs110"), &error), qPrintable(error));
    QVERIFY2(MakeTable(db_, QStringLiteral("vdrs160"), &error), qPrintable(error));
    // Ready-mix customers: old code at 1, name at 8 (738 bytes); sites: old
    // customer code at 1, site number at 8, site name at 12 (259 bytes).
    WriteExport(files_ + QStringLiteral("/레미콘거래처.txt"),
                {FixedRecord(738, {{1, "1A0001"}, {8, "가나건설"}}),
                 FixedRecord(738, {{1, "2B0002"}, {8, "다라산업"}}),
                 Cp949(QStringLiteral("합계 2건"))});
    WriteExport(files_ + QStringLiteral("/레미콘현장.txt"),
                {FixedRecord(259, {{1, "2B0002"}, {8, "024"}, {12, "다라현장"}})});
    MessageLog log;
    auto form = MakeForm(db_, log);
    form->TabStrip1->setCurrentIndex(1);
    ClickOption(*form, 6);
    QVERIFY(Choose(*form, files_, QStringLiteral("레미콘거래처.txt")));
    QVERIFY(RunAndWait(*form));
    QVERIFY2(log.messages.isEmpty(), qPrintable(log.messages.join('|')));
    QCOMPARE(form->listHyun->topLevelItemCount(), 2);
    QCOMPARE(form->listHyun->topLevelItem(1)->text(0), QStringLiteral("2B0002"));
    QCOMPARE(form->listHyun->topLevelItem(1)->text(1), QStringLiteral("200001"));
    QCOMPARE(form->listHyun->topLevelItem(1)->text(2), QStringLiteral("다라산업"));

    ClickOption(*form, 7);
    QVERIFY(Choose(*form, files_, QStringLiteral("레미콘현장.txt")));
    QVERIFY(RunAndWait(*form));
    QVERIFY2(log.messages.isEmpty(), qPrintable(log.messages.join('|')));
    QCOMPARE(form->RecordList->rowCount(), 1);  // the site import takes every line
    QJsonArray rows;
    QVERIFY2(ReadRows(db_, QStringLiteral("vdrs160"), &rows, &error), qPrintable(error));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].toObject()["D11_CODE"].toString(), QStringLiteral("200001"));
    QCOMPARE(rows[0].toObject()["D16_CNAME"].toString(), QStringLiteral("다라현장"));
  }

  void failureMidRunShowsTheListAsItStoodThen() {
    QString error;
    QVERIFY2(MakeTable(db_, QStringLiteral("vdrs110"), &error), qPrintable(error));
    QVERIFY2(MakeTable(db_, QStringLiteral("vdrs160"), &error), qPrintable(error));
    // The second customer's start date (year at 393, month at 397, day at
    // 399) is impossible: the run ends there, the first customer stays.
    WriteExport(files_ + QStringLiteral("/레미콘거래처.txt"),
                {FixedRecord(738, {{1, "100001"}, {8, "정상"}, {393, "2003"}, {397, "05"}, {399, "17"}}),
                 FixedRecord(738, {{1, "100002"}, {8, "이상한날짜"}, {393, "2003"}, {397, "13"}, {399, "40"}}),
                 FixedRecord(738, {{1, "100003"}, {8, "못감"}}),
                 Cp949(QStringLiteral("합계 3건"))});
    window::Form1* shown = nullptr;
    QStringList messages;
    QList<int> listedAtMessage;
    QList<bool> runningAtMessage;
    window::Form1Settings settings;
    settings.tableDirectory = db_;
    settings.messageBox = [&](const QString& text) {
      messages.append(text);
      listedAtMessage.append(shown->RecordList->rowCount());
      runningAtMessage.append(shown->IsRunning());
    };
    window::Form1 form(std::move(settings));
    shown = &form;
    form.show();
    form.TabStrip1->setCurrentIndex(1);
    ClickOption(form, 6);
    QVERIFY(Choose(form, files_, QStringLiteral("레미콘거래처.txt")));
    QVERIFY(RunAndWait(form));
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages[0].contains(QStringLiteral("2번째 줄")));  // names the record
    QCOMPARE(listedAtMessage, QList<int>{1});   // drawn before the box opened
    QCOMPARE(runningAtMessage, QList<bool>{true});  // the worker waited for OK
    QCOMPARE(form.RecordList->rowCount(), 1);
    QVERIFY(form.Command2->isEnabled());
    QJsonArray rows;
    QVERIFY2(ReadRows(db_, QStringLiteral("vdrs110"), &rows, &error), qPrintable(error));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].toObject()["D11_CNAME"].toString(), QStringLiteral("정상"));
  }

  void closingDuringARunStopsItAndLeavesAValidTable_data() {
    QTest::addColumn<bool>("exitButton");
    QTest::newRow("나가기") << true;
    QTest::newRow("close box") << false;
  }

  void closingDuringARunStopsItAndLeavesAValidTable() {
    QFETCH(bool, exitButton);
    const int count = 32766;
    const QList<QByteArray> lines = VehicleFile(count);
    WriteExport(files_ + QStringLiteral("/G차량.txt"), lines);
    MessageLog log;
    auto form = MakeForm(db_, log);
    form->Option1[1]->click();
    QVERIFY(Choose(*form, files_, QStringLiteral("G차량.txt")));
    QSignalSpy finished(form.get(), &window::Form1::RunFinished);
    // Close as soon as the list shows a first batch, whatever the machine's speed.
    bool closed = false;
    connect(form->RecordList, &QAbstractItemModel::rowsInserted, form.get(), [&] {
      if (closed || form->RecordList->rowCount() < 50) return;
      closed = true;
      if (exitButton) {
        QTest::mouseClick(form->Command1, Qt::LeftButton);
      } else {
        form->close();  // what the window's close box does
      }
    });
    form->Command2->click();
    QVERIFY(finished.wait(60000) || !finished.isEmpty());
    QVERIFY(closed);
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
