#pragma once
// Putting a font file into a fonts folder without ever leaving a half file behind or giving up
// the file it replaces for one that turns out to be no font.
#include "platform/atomic_file.h"

#include <QString>
#include <functional>

// Creates the folder and every missing folder above it.
FileStatus createFolderPath(const QString& folder);

struct CheckedCopy {
  FileStatus status;          // the copy's own failure, if any
  bool sourceFailed = false;  // the failure was in reading the source
  bool rejected = false;      // `accept` refused the copy; nothing was replaced
  bool ok() const { return status.ok() && !rejected; }
};

// Copies `source` into a hidden temporary file in `target`'s folder. When the copy is complete,
// `accept` looks at it (by its temporary path); an accepted copy is flushed to disk and renamed
// over `target`, a refused or failed one is removed and `target` stays as it was.
CheckedCopy copyFileChecked(const QString& source, const QString& target,
                            const std::function<bool(const QString& tempPath)>& accept);
