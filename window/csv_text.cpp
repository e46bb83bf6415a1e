#include "window/csv_text.h"

namespace window {
namespace {

QString Field(QString text) {
  if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
      !text.contains(QLatin1Char('\r')))
    return text;
  return QLatin1Char('"') + text.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

}  // namespace

QByteArray CsvText(const QList<QStringList>& rows) {
  QString text;
  for (const QStringList& row : rows) {
    QStringList fields;
    for (const QString& field : row) fields.append(Field(field));
    text += fields.join(QLatin1Char(',')) + QLatin1String("\r\n");
  }
  return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

}  // namespace window
