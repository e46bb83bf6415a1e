// Opens the window, runs one import as a clerk would and leaves the window
// open for a screenshot (screenshot.sh). Writes READY_FILE when the run ended,
// or with --shot preview when the run's preview is open (it stays open); with
// --shot history it opens "가져오기 기록" over the window once the run ended.
// --kinds FILE first clicks every kind's option and writes the kind each
// click chose, one line each (UTF-8), as a check that all are selectable,
// then the drive list's entries and Qt's own button texts.
//   dbfimport-window-demo --db DIR --journal DIR --dir DIR --file NAME --kind K --ready FILE
//                         [--shot preview|history] [--kinds FILE]
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <cstdio>

#include "window/form1.h"
#include "window/translation.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  window::InstallQtKorean(app);
  QString db, journal, dir, file, ready, shot, kinds;
  int kind = 0;
  const QStringList args = QCoreApplication::arguments();
  for (int i = 1; i + 1 < args.size(); i += 2) {
    if (args[i] == "--db") db = args[i + 1];
    else if (args[i] == "--journal") journal = args[i + 1];
    else if (args[i] == "--dir") dir = args[i + 1];
    else if (args[i] == "--file") file = args[i + 1];
    else if (args[i] == "--kind") kind = args[i + 1].toInt();
    else if (args[i] == "--ready") ready = args[i + 1];
    else if (args[i] == "--shot") shot = args[i + 1];
    else if (args[i] == "--kinds") kinds = args[i + 1];
  }
  window::Form1Settings settings;
  settings.tableDirectory = db;
  settings.startDirectory = dir;
  settings.journalDirectory = journal;
  settings.messageBox = [](const QString& text) {
    std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
  };
  const auto markReady = [&ready] {
    QFile marker(ready);
    if (marker.open(QIODevice::WriteOnly)) marker.write("done\n");
  };
  window::Form1* shown = nullptr;
  settings.preview = [&](const window::RunPreview& preview) {
    if (shot != "preview") return window::PreviewAnswer{true, false};
    QTimer::singleShot(500, markReady);  // once the dialog is painted
    return window::ShowPreview(shown, preview);
  };
  window::Form1 form(std::move(settings));
  shown = &form;
  form.move(0, 0);
  form.show();
  const auto choose = [&form](int k) {
    form.TabStrip1->setCurrentIndex(k >= 6 ? 1 : 0);
    form.Option1[k]->click();
  };
  if (!kinds.isEmpty()) {
    QFile chosen(kinds);
    if (!chosen.open(QIODevice::WriteOnly)) return 1;
    for (int k = 0; k < int(form.Option1.size()); ++k) {
      choose(k);
      chosen.write(QString("%1 %2\n").arg(k).arg(form.LabelKind->text()).toUtf8());
    }
    QStringList drives;  // and the drive list, as the clerk sees it
    for (int i = 0; i < form.Drive1->count(); ++i) drives << form.Drive1->itemText(i);
    chosen.write(("drives: " + drives.join(", ") + "\n").toUtf8());
    QMessageBox box(QMessageBox::Question, "", "", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QStringList buttons;  // Qt's own, from its built-in Korean translation
    for (QAbstractButton* button : box.buttons()) buttons << button->text();
    chosen.write(("buttons: " + buttons.join(", ") + "\n").toUtf8());
  }
  choose(kind);
  if (!form.File1->SelectName(file)) {
    std::fprintf(stderr, "no file %s in %s\n", qPrintable(file), qPrintable(dir));
    return 1;
  }
  QObject::connect(&form, &window::Form1::RunFinished, [&] {
    if (shot == "preview") return;
    markReady();
    if (shot == "history") QTimer::singleShot(0, form.CommandHistory, &QPushButton::click);
  });
  form.Command2->click();
  return app.exec();
}
