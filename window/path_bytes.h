// Paths between Qt and the table layer. The lists keep paths as the bytes the
// table layer opens: on Linux the file system's own bytes (names an old
// Korean system wrote in CP949 survive), on Windows UTF-8 with '/' between
// folders (path_bytes_posix.cpp, path_bytes_win32.cpp).
#pragma once

#include <QByteArray>
#include <QString>

namespace window {

QByteArray PathBytes(const QString& path);
QString PathText(const QByteArray& bytes);

}  // namespace window
