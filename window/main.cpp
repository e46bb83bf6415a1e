// dbfimport: the window. Tables are looked for in the program's own directory
// unless --db DIR names another; runs are recorded in the user's run journal
// unless --journal DIR names the folder of another (a shared one).
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "dbf/dbf.h"
#include "window/form1.h"
#include "window/translation.h"

namespace {

void PrintUsage() {
  std::fputs("사용법: dbfimport [--db 테이블폴더] [--journal 작업기록폴더]\n", stderr);
}

}  // namespace

int main(int argc, char* argv[]) {
  // A table that reaches the file size limit must give a write error, not end the program.
  dbf::IgnoreFileSizeSignal();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("dbfimport"));
  window::InstallQtKorean(app);

  window::Form1Settings settings;
  settings.tableDirectory = QCoreApplication::applicationDirPath();
  const QStringList args = QCoreApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == QStringLiteral("--db") && i + 1 < args.size()) {
      settings.tableDirectory = args[++i];
    } else if (args[i].startsWith(QStringLiteral("--db="))) {
      settings.tableDirectory = args[i].mid(5);
    } else if (args[i] == QStringLiteral("--journal") && i + 1 < args.size()) {
      settings.journalDirectory = QFileInfo(args[++i]).absoluteFilePath();
    } else if (args[i].startsWith(QStringLiteral("--journal="))) {
      settings.journalDirectory = QFileInfo(args[i].mid(10)).absoluteFilePath();
    } else if (args[i] == QStringLiteral("--help") || args[i] == QStringLiteral("-h")) {
      PrintUsage();
      return 0;
    } else {
      PrintUsage();
      return 2;
    }
  }
  settings.tableDirectory = QFileInfo(settings.tableDirectory).absoluteFilePath();
  settings.startDirectory = QDir::currentPath();

  window::Form1 form(std::move(settings));
  form.show();
  return app.exec();
}
