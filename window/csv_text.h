// Comma-separated text as Excel on a Korean PC opens it: UTF-8 with a byte
// order mark (without one Excel reads the bytes as CP949), lines ended by
// CRLF, and a field that holds a comma, a quote or a line break quoted with
// its quotes doubled (RFC 4180).
#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace window {

QByteArray CsvText(const QList<QStringList>& rows);

}  // namespace window
