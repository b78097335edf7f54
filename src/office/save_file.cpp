#include "office/save_file.h"

namespace office {

RuntimeError saveError(const QString& path, const FileStatus& status) { return fileError(path, status); }

void saveBytes(const QString& path, const QByteArray& bytes) {
  const FileStatus status = writeFileAtomically(path, bytes);
  if (!status.ok()) throw saveError(path, status);
}

QString lowerExtension(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  if (dot <= slash + 1) return {};  // no dot, or only a leading one (".xls" is a hidden file)
  return path.mid(dot + 1).toLower();
}

}  // namespace office
