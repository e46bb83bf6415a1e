// Helpers shared by the window tests: export files, python3-dbf tables, a
// message-box recorder and driving Form1 as a clerk does.
#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <QStringList>
#include <memory>

#include "window/form1.h"

namespace windowtest {

QByteArray Cp949(const QString& text);

// One G vehicle record (45 bytes): code at 1, registration at 5, owner at 18,
// name at 29, capacity at 40.
QByteArray VehicleRecord(const QString& code, const QString& registration, const QString& owner,
                         const QString& name, const QString& capacity);
// A record of `width` bytes: {1-based start byte, text} placed, spaces elsewhere.
QByteArray FixedRecord(int width, const QList<QPair<int, QString>>& fields);
// Writes the lines joined and ended by CR LF.
void WriteExport(const QString& path, const QList<QByteArray>& lines);

// python3-dbf makes a table of the sample database; false with `error` set.
bool MakeTable(const QString& directory, const QString& name, QString* error);
// python3-dbfread reads every row back; false when the table is not valid.
bool ReadRows(const QString& directory, const QString& name, QJsonArray* rows, QString* error);

// Records the message boxes instead of showing them.
struct MessageLog {
  QStringList messages;
};
std::unique_ptr<window::Form1> MakeForm(const QString& tableDirectory, MessageLog& log);

// Points the browsing lists at `directory` and selects `fileName` there;
// false when the file list does not show it.
bool Choose(window::Form1& form, const QString& directory, const QString& fileName);
// Clicks option `kind` on its round button, as a clerk does.
void ClickOption(window::Form1& form, int kind);
// Presses "실 행" and waits for the run to end; false on timeout.
bool RunAndWait(window::Form1& form, int timeoutMs = 60000);

}  // namespace windowtest
