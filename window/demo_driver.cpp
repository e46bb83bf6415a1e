// Opens the window, runs one import as a clerk would and leaves the window
// open for a screenshot (screenshot.sh). Writes READY_FILE when the run ended;
// with --history 1 it then opens "가져오기 기록" over the window.
//   dbfimport-window-demo --db DIR --journal DIR --dir DIR --file NAME --kind K --ready FILE [--history 1]
#include <QApplication>
#include <QFile>
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
  QString db, journal, dir, file, ready;
  int kind = 0;
  bool history = false;
  const QStringList args = QCoreApplication::arguments();
  for (int i = 1; i + 1 < args.size(); i += 2) {
    if (args[i] == "--db") db = args[i + 1];
    else if (args[i] == "--journal") journal = args[i + 1];
    else if (args[i] == "--dir") dir = args[i + 1];
    else if (args[i] == "--file") file = args[i + 1];
    else if (args[i] == "--kind") kind = args[i + 1].toInt();
    else if (args[i] == "--ready") ready = args[i + 1];
    else if (args[i] == "--history") history = args[i + 1] == "1";
  }
  window::Form1Settings settings;
  settings.tableDirectory = db;
  settings.startDirectory = dir;
  settings.journalDirectory = journal;
  settings.messageBox = [](const QString& text) {
    std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
  };
  window::Form1 form(std::move(settings));
  form.move(0, 0);
  form.show();
  if (kind >= 6) form.TabStrip1->setCurrentIndex(1);
  form.Option1[kind]->click();
  if (!form.File1->SelectName(file)) {
    std::fprintf(stderr, "no file %s in %s\n", qPrintable(file), qPrintable(dir));
    return 1;
  }
  QObject::connect(&form, &window::Form1::RunFinished, [&] {
    QFile marker(ready);
    if (marker.open(QIODevice::WriteOnly)) marker.write("done\n");
    if (history) QTimer::singleShot(0, form.CommandHistory, &QPushButton::click);
  });
  form.Command2->click();
  return app.exec();
}
