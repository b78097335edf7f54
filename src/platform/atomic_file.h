#pragma once
// Writing a file so that readers only ever see the old file or the complete new one.
// The bytes go to a hidden temporary file beside the target (".name.XXXXXX"), which is
// flushed to disk and renamed over the target only when complete. On any failure the
// temporary file is removed and the target is left exactly as it was.
#include <QByteArray>
#include <QString>
#include <cstddef>

// Outcome of a file operation: success, or the errno value and its text.
struct FileStatus {
  int error = 0;    // errno value; 0 on success
  QString reason;   // what went wrong, e.g. "No space left on device"
  bool ok() const { return error == 0; }
  static FileStatus fromErrno(int error);
};

class AtomicFile {
 public:
  // Nothing is created until open().
  explicit AtomicFile(QString targetPath);
  ~AtomicFile();  // discards the temporary file unless it was committed
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary file in the target's folder.
  FileStatus open();
  // The temporary file; a library that wants a file name may write (or even replace) it
  // between open() and commit().
  const QString& tempPath() const { return tempPath_; }
  const QString& targetPath() const { return targetPath_; }

  FileStatus write(const void* data, size_t size);
  FileStatus write(const QByteArray& bytes) { return write(bytes.constData(), size_t(bytes.size())); }

  // Flushes whatever is at tempPath() to disk, gives it the permissions of the file it
  // replaces (or the usual ones for a new file) and renames it over the target.
  FileStatus commit();
  // Removes the temporary file; the target stays untouched.
  void discard();

 private:
  QString targetPath_;
  QString tempPath_;
  int fd_ = -1;
  bool committed_ = false;
};

// Replaces (or creates) `target` with `bytes`.
FileStatus writeFileAtomically(const QString& target, const QByteArray& bytes);
// Copies `source` to `target` in pieces, so a large file is never held in memory whole.
FileStatus copyFileAtomically(const QString& source, const QString& target);
