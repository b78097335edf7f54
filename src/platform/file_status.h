#pragma once
#include <QString>

// Outcome of a file operation: success, or the errno value and its text.
struct FileStatus {
  int error = 0;    // errno value; 0 on success
  QString reason;   // what went wrong, e.g. "No space left on device"
  bool ok() const { return error == 0; }
  static FileStatus fromErrno(int error);
};
