#pragma once
// Saving an office file: the run-time error a failed write is reported with, and the
// atomic write itself.
#include "core/runtime_error.h"
#include "platform/atomic_file.h"

#include <QByteArray>
#include <QString>

namespace office {

// 58, what a save that may not replace an existing file throws when the name is taken.
RuntimeError fileAlreadyExists();

// 58 "File already exists", 61 "Disk full", 76 "Path not found", 70 "Permission denied" or else 75
// "Path/File access error", each followed by the path and the system's reason.
RuntimeError saveError(const QString& path, const FileStatus& status);

// Writes `bytes` to `path` through a temporary file; throws saveError on failure.
void saveBytes(const QString& path, const QByteArray& bytes);

// The extension of `path`'s file name, lower case, without the dot ("" when none).
QString lowerExtension(const QString& path);

}  // namespace office
