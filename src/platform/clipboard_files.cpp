#include "platform/clipboard_files.h"

#include "platform/path_codec.h"

#include <QMimeData>
#include <QUrl>

namespace {
// A file URI from the raw bytes of the path, every byte outside the unreserved set escaped,
// so names that are not UTF-8 survive the trip.
QByteArray fileUri(const QString& path) {
  return QByteArrayLiteral("file://") +
         QByteArray::fromStdString(pathToBytes(path)).toPercentEncoding(QByteArrayLiteral("/"));
}
}  // namespace

QMimeData* fileListMimeData(const QStringList& paths) {
  auto* data = new QMimeData;
  QByteArray uriList;
  QByteArray gnome = QByteArrayLiteral("copy");
  for (const QString& path : paths) {
    const QByteArray uri = fileUri(path);
    uriList += uri + QByteArrayLiteral("\r\n");
    gnome += '\n' + uri;
  }
  data->setData(QStringLiteral("text/uri-list"), uriList);
  data->setData(QStringLiteral("x-special/gnome-copied-files"), gnome);
  return data;
}
