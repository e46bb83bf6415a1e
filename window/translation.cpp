#include "window/translation.h"

#include <QCoreApplication>
#include <QTranslator>

namespace window {

bool InstallQtKorean(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);  // lives as long as the application
  if (!translator->load(QStringLiteral(":/translations/qtbase_ko.qm"))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace window
