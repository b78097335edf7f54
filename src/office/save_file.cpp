#include "office/save_file.h"

#include <cerrno>

namespace office {

RuntimeError fileAlreadyExists() { return RuntimeError(58, QStringLiteral("File already exists")); }

RuntimeError saveError(const QString& path, const FileStatus& status) {
  RuntimeError base = errors::pathFileAccess();
  switch (status.error) {
    case ENOSPC:
    case EDQUOT: base = RuntimeError(61, QStringLiteral("Disk full")); break;
    case ENOENT:
    case ENOTDIR: base = errors::pathNotFound(); break;
    case EACCES:
    case EPERM:
    case EROFS: base = errors::permissionDenied(); break;
    case EEXIST: base = fileAlreadyExists(); break;
    default: break;
  }
  return RuntimeError(base.number,
                      QStringLiteral("%1: '%2' (%3)").arg(base.description, path, status.reason));
}

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
