#include "platform/file_status.h"

#include <cerrno>
#include <cstring>

FileStatus FileStatus::fromErrno(int error) {
  return {error, QString::fromLocal8Bit(std::strerror(error))};
}

RuntimeError errorOfErrno(int error, bool missingIsFile) {
  switch (error) {
    case ENOENT: return missingIsFile ? errors::fileNotFound() : errors::pathNotFound();
    case ENOTDIR: return errors::pathNotFound();
    case EACCES:
    case EPERM:
    case EROFS: return errors::permissionDenied();
    case ENOSPC:
    case EDQUOT: return errors::diskFull();
    case EEXIST: return errors::fileAlreadyExists();
    default: return errors::pathFileAccess();
  }
}

RuntimeError fileError(const QString& path, const FileStatus& status, bool missingIsFile) {
  return errorOfErrno(status.error, missingIsFile).withDetail(QStringLiteral(": '%1' (%2)").arg(path, status.reason));
}
