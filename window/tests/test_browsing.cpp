// The browsing column: which mounts are drives, the directory chain, the
// "*.txt" file list, and a drive that cannot be read.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "window/mounts.h"
#include "window_test_support.h"

using namespace windowtest;

namespace {

QStringList Shown(const QListWidget& list) {
  QStringList texts;
  for (int i = 0; i < list.count(); ++i) texts.append(list.item(i)->text().trimmed());
  return texts;
}

void Touch(const QString& path) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
}

}  // namespace

class Browsing : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    temp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(temp_->isValid());
    root_ = temp_->path();
  }
  void cleanup() { temp_.reset(); }

  void drivesAreTheRealMounts() {
    const std::string mounts =
        "overlay / overlay rw 0 0\n"
        "proc /proc proc rw 0 0\n"
        "tmpfs /run tmpfs rw 0 0\n"
        "/dev/sda2 /home ext4 rw 0 0\n"
        "/dev/sdb1 /media/kim/USB\\040DISK vfat rw 0 0\n"
        "/dev/sdc1 /mnt/backup ext4 rw 0 0\n"
        "/dev/sdd1 /run/media/lee/CARD exfat rw 0 0\n"
        "tmpfs /mnt/scratch tmpfs rw 0 0\n"
        "/dev/sda3 /var ext4 rw 0 0\n"
        "/dev/sda2 /home ext4 rw 0 0\n";
    const auto drives = window::BrowsableDrives(mounts);
    std::vector<std::string> points;
    for (const auto& drive : drives) points.push_back(drive.mountPoint);
    const std::vector<std::string> expected{"/", "/home", "/media/kim/USB DISK", "/mnt/backup",
                                            "/run/media/lee/CARD"};
    QVERIFY(points == expected);
    QCOMPARE(window::DriveOfPath(drives, "/media/kim/USB DISK/2004"), std::string("/media/kim/USB DISK"));
    QCOMPARE(window::DriveOfPath(drives, "/homework"), std::string("/"));
    QCOMPARE(window::DriveOfPath(drives, "/home/kim"), std::string("/home"));
    // The root is a drive even when the table lacks it.
    QCOMPARE(window::BrowsableDrives("/dev/sda2 /home ext4 rw 0 0\n").front().mountPoint, std::string("/"));
  }

  void fileListShowsTextFilesInAnyCase() {
    Touch(root_ + "/a.txt");
    Touch(root_ + "/B.TXT");
    Touch(root_ + "/c.Txt");
    Touch(root_ + "/d.txt.bak");
    Touch(root_ + "/e.csv");
    Touch(root_ + "/.hidden.txt");
    QVERIFY(QDir(root_).mkdir("folder.txt"));
    window::FileList list;
    list.SetPath(QFile::encodeName(root_));
    QCOMPARE(Shown(list), (QStringList{"a.txt", "B.TXT", "c.Txt"}));
    QVERIFY(list.SelectedName().isEmpty());
    QVERIFY(list.SelectName("B.TXT"));
    QCOMPARE(list.SelectedName(), QByteArray("B.TXT"));
  }

  void cp949FileNamesAreShownAndKeptAsBytes() {
    const QByteArray name = Cp949(QStringLiteral("G차량.txt"));
    const QByteArray path = QFile::encodeName(root_) + '/' + name;
    FILE* file = std::fopen(path.constData(), "w");
    QVERIFY(file);
    std::fclose(file);
    window::FileList list;
    list.SetPath(QFile::encodeName(root_));
    QVERIFY(list.SelectName(QStringLiteral("G차량.txt")));
    QCOMPARE(list.SelectedName(), name);
  }

  void directoryChainDrivesTheFileList() {
    QVERIFY(QDir(root_).mkpath("2004/04"));
    Touch(root_ + "/top.txt");
    Touch(root_ + "/2004/inner.txt");
    MessageLog log;
    auto form = MakeForm(root_, log);
    QVERIFY(form->Dir1->SetPath(QFile::encodeName(root_)));
    QCOMPARE(Shown(*form->File1), QStringList{"top.txt"});
    QVERIFY(Shown(*form->Dir1).contains("2004"));
    QCOMPARE(Shown(*form->Dir1).first(), QStringLiteral("/"));

    // A click on an entry without opening it leaves both lists where they are.
    auto entry = form->Dir1->findItems("2004", Qt::MatchEndsWith).value(0);
    QVERIFY(entry);
    QTest::mouseClick(form->Dir1->viewport(), Qt::LeftButton, {},
                      form->Dir1->visualItemRect(entry).center());
    QCOMPARE(form->File1->Path(), QFile::encodeName(root_));
    QCOMPARE(Shown(*form->File1), QStringList{"top.txt"});

    // Opening it moves the directory list and with it the file list.
    emit form->Dir1->itemActivated(entry);
    QCOMPARE(form->Dir1->Path(), QFile::encodeName(root_ + "/2004"));
    QCOMPARE(form->File1->Path(), QFile::encodeName(root_ + "/2004"));
    QCOMPARE(Shown(*form->File1), QStringList{"inner.txt"});
    QVERIFY(Shown(*form->Dir1).contains("04"));
  }

  void vanishedDirectorySaysSoAndTheListsStay() {
    QVERIFY(QDir(root_).mkdir("soon-gone"));
    Touch(root_ + "/here.txt");
    MessageLog log;
    auto form = MakeForm(root_, log);
    QVERIFY(form->Dir1->SetPath(QFile::encodeName(root_)));
    auto entry = form->Dir1->findItems("soon-gone", Qt::MatchEndsWith).value(0);
    QVERIFY(entry);
    QVERIFY(QDir(root_).rmdir("soon-gone"));
    emit form->Dir1->itemActivated(entry);
    QCOMPARE(log.messages.size(), 1);
    QVERIFY(log.messages[0].contains("soon-gone"));
    QCOMPARE(form->Dir1->Path(), QFile::encodeName(root_));
    QCOMPARE(Shown(*form->File1), QStringList{"here.txt"});
  }

  void unreadableDriveKeepsTheListsAndSaysSo() {
    QVERIFY(QDir(root_).mkdir("readable"));
    MessageLog log;
    auto form = MakeForm(root_, log);
    QVERIFY(form->Dir1->SetPath(QFile::encodeName(root_ + "/readable")));
    const std::string gone = (root_ + "/gone").toStdString();
    form->Drive1->SetDrives({{"/", "ext4"}, {gone, "vfat"}});
    form->Drive1->ShowDriveOf(form->Dir1->Path());
    form->Drive1->setCurrentIndex(1);  // the clerk picks the missing medium
    QCOMPARE(log.messages.size(), 1);
    QVERIFY(log.messages[0].contains(QStringLiteral("gone")));
    QCOMPARE(form->Dir1->Path(), QFile::encodeName(root_ + "/readable"));
    QCOMPARE(form->File1->Path(), QFile::encodeName(root_ + "/readable"));
    QCOMPARE(form->Drive1->currentIndex(), 0);
  }

  void choosingADriveGoesToItsLastDirectory() {
    QVERIFY(QDir(root_).mkpath("usb/sub"));
    Touch(root_ + "/usb/sub/x.txt");
    MessageLog log;
    auto form = MakeForm(root_, log);
    const std::string usb = (root_ + "/usb").toStdString();
    form->Drive1->SetDrives({{"/", "ext4"}, {usb, "vfat"}});
    form->Drive1->setCurrentIndex(1);
    QCOMPARE(form->Dir1->Path(), QFile::encodeName(root_ + "/usb"));
    QVERIFY(form->Dir1->SetPath(QFile::encodeName(root_ + "/usb/sub")));
    QCOMPARE(Shown(*form->File1), QStringList{"x.txt"});
    form->Drive1->setCurrentIndex(0);
    QCOMPARE(form->Drive1->currentIndex(), 0);
    form->Drive1->setCurrentIndex(1);
    QCOMPARE(form->Dir1->Path(), QFile::encodeName(root_ + "/usb/sub"));
    QVERIFY(log.messages.isEmpty());
  }

 private:
  std::unique_ptr<QTemporaryDir> temp_;
  QString root_;
};

QTEST_MAIN(Browsing)
#include "test_browsing.moc"
