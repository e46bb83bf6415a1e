#include "window_test_support.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "common/encoding.h"

namespace windowtest {
namespace {

QByteArray Field(const QString& text, int length) {
  QByteArray bytes = Cp949(text);
  bytes.truncate(length);
  return bytes.leftJustified(length, ' ');
}

bool RunTables(const QStringList& args, QByteArray* output, QString* error) {
  QProcess python;
  python.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral(TABLES_SCRIPT)} + args);
  if (!python.waitForFinished(60000) || python.exitCode() != 0) {
    *error = QString::fromUtf8(python.readAllStandardError());
    return false;
  }
  if (output) *output = python.readAllStandardOutput();
  return true;
}

}  // namespace

QByteArray Cp949(const QString& text) {
  return QByteArray::fromStdString(ModMain::Utf8ToCp949(text.toStdString()));
}

QByteArray VehicleRecord(const QString& code, const QString& registration, const QString& owner,
                         const QString& name, const QString& capacity) {
  return Field(code, 3) + ' ' + Field(registration, 12) + ' ' + Field(owner, 10) + ' ' +
         Field(name, 8) + "   " + Field(capacity, 2) + "    ";
}

QByteArray FixedRecord(int width, const QList<QPair<int, QString>>& fields) {
  QByteArray line(width, ' ');
  for (const auto& [start, text] : fields) {
    const QByteArray bytes = Cp949(text);
    line.replace(start - 1, bytes.size(), bytes);
  }
  line.truncate(width);
  return line;
}

void WriteExport(const QString& path, const QList<QByteArray>& lines) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
  for (const QByteArray& line : lines) file.write(line + "\r\n");
}

bool MakeTable(const QString& directory, const QString& name, QString* error) {
  return RunTables({QStringLiteral("make"), directory, name}, nullptr, error);
}

bool ReadRows(const QString& directory, const QString& name, QJsonArray* rows, QString* error) {
  QByteArray output;
  if (!RunTables({QStringLiteral("rows"), directory, name}, &output, error)) return false;
  *rows = QJsonDocument::fromJson(output).array();
  return true;
}

std::unique_ptr<window::Form1> MakeForm(const QString& tableDirectory, MessageLog& log) {
  window::Form1Settings settings;
  settings.tableDirectory = tableDirectory;
  settings.messageBox = [&log](const QString& text) { log.messages.append(text); };
  auto form = std::make_unique<window::Form1>(std::move(settings));
  form->show();
  return form;
}

bool Choose(window::Form1& form, const QString& directory, const QString& fileName) {
  if (!form.Dir1->SetPath(QFile::encodeName(directory))) return false;
  return form.File1->SelectName(fileName);
}

void ClickOption(window::Form1& form, int kind) {
  QRadioButton* option = form.Option1[kind];
  QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(option->height() / 2, option->height() / 2));
}

bool RunAndWait(window::Form1& form, int timeoutMs) {
  QSignalSpy finished(&form, &window::Form1::RunFinished);
  QTest::mouseClick(form.Command2, Qt::LeftButton);
  return finished.wait(timeoutMs) || !finished.isEmpty();
}

}  // namespace windowtest
