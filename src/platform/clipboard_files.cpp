#include "platform/clipboard_files.h"

#include "platform/path_codec.h"

#include <QGuiApplication>
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

namespace {
const QString kUriList = QStringLiteral("text/uri-list");
const QString kGnomeFiles = QStringLiteral("x-special/gnome-copied-files");

// Offers the two file formats and nothing else. For Qt's X11 clipboard "text/uri-list" is listed
// under a name that X11 reads as the same target (an X11 target name ends at its first NUL) but
// that Qt does not recognise: for the plain name it would also offer "text/plain" and
// "text/x-moz-url", which editors paste as text.
class FileListMimeData final : public QMimeData {
 public:
  explicit FileListMimeData(bool forX11) : forX11_(forX11) {}
  QStringList formats() const override { return {forX11_ ? kUriList + QChar(0) : kUriList, kGnomeFiles}; }
  bool hasFormat(const QString& format) const override { return format == kUriList || format == kGnomeFiles; }

 protected:
  QVariant retrieveData(const QString& format, QMetaType type) const override {
    // Asked for text all the same: an empty answer, where Qt would fall back to the URIs.
    if (!hasFormat(format)) return QByteArray();
    return QMimeData::retrieveData(format, type);
  }

 private:
  bool forX11_;
};
}  // namespace

QMimeData* fileListMimeData(const QStringList& paths, bool forX11) {
  auto* data = new FileListMimeData(forX11);
  QByteArray uriList;
  QByteArray gnome = QByteArrayLiteral("copy");
  for (const QString& path : paths) {
    const QByteArray uri = fileUri(path);
    uriList += uri + QByteArrayLiteral("\r\n");
    gnome += '\n' + uri;
  }
  data->setData(kUriList, uriList);
  data->setData(kGnomeFiles, gnome);
  return data;
}

QMimeData* fileListMimeDataForDisplay(const QStringList& paths) {
  return fileListMimeData(paths, QGuiApplication::platformName() == QLatin1String("xcb"));
}
