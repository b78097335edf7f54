#include "platform/clipboard_files.h"

#include "platform/path_codec.h"

#include <QMimeData>
#include <QUrl>

// Every byte outside the unreserved set is escaped.
QByteArray fileUri(const QString& path) {
  return QByteArrayLiteral("file://") +
         QByteArray::fromStdString(pathToBytes(path)).toPercentEncoding(QByteArrayLiteral("/"));
}

std::optional<QString> localPathOf(const QUrl& url) {
  // A host other than this machine's names a file elsewhere.
  if (!url.isLocalFile() || !(url.host().isEmpty() || url.host() == QLatin1String("localhost"))) return {};
  // Decoded by hand: QUrl::toLocalFile() turns bytes that are not UTF-8 into U+FFFD.
  const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  if (bytes.isEmpty()) return {};
  return pathFromBytes(std::string_view(bytes.constData(), bytes.size()));
}

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
