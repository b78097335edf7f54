#pragma once
// The outcome of a file operation, and the one place where the system's error numbers (errno)
// become the program's run-time errors.
#include "core/runtime_error.h"

#include <QString>

// Outcome of a file operation: success, or the errno value and its text.
struct FileStatus {
  int error = 0;    // errno value; 0 on success
  QString reason;   // what went wrong, e.g. "No space left on device"
  bool ok() const { return error == 0; }
  static FileStatus fromErrno(int error);
};

// The run-time error that stands for an errno value: 61 "Disk full", 70 "Permission denied"
// (a read-only file system included), 76 "Path not found" (53 "File not found" when
// `missingIsFile` and the file itself is missing), 58 "File already exists", else 75
// "Path/File access error".
RuntimeError errorOfErrno(int error, bool missingIsFile = false);

// That error for a failed operation on `path`, described as "<error>: '<path>' (<reason>)".
RuntimeError fileError(const QString& path, const FileStatus& status, bool missingIsFile = false);
