#pragma once
// Saving an office file: the run-time error a failed write is reported with, and the
// atomic write itself.
#include "core/runtime_error.h"
#include "platform/atomic_file.h"

#include <QByteArray>
#include <QString>

namespace office {

// The error of a failed write (fileError): 58 "File already exists" when a save that may not
// replace an existing file finds the name taken, 61 "Disk full", 76 "Path not found" ...
RuntimeError saveError(const QString& path, const FileStatus& status);

// Writes `bytes` to `path` through a temporary file; throws saveError on failure.
void saveBytes(const QString& path, const QByteArray& bytes);

// The extension of `path`'s file name, lower case, without the dot ("" when none).
QString lowerExtension(const QString& path);

}  // namespace office
