#include <QDir>

#include "window/path_bytes.h"

namespace window {

QByteArray PathBytes(const QString& path) { return QDir::fromNativeSeparators(path).toUtf8(); }
QString PathText(const QByteArray& bytes) { return QString::fromUtf8(bytes); }

}  // namespace window
