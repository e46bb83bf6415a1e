#include <QFile>

#include "window/path_bytes.h"

namespace window {

QByteArray PathBytes(const QString& path) { return QFile::encodeName(path); }
QString PathText(const QByteArray& bytes) { return QFile::decodeName(bytes); }

}  // namespace window
