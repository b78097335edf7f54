#pragma once
// Writing a file so that readers only ever see the old file or the complete new one.
// The bytes go to a temporary file in the target's folder, which is flushed to disk and put in
// place only when complete. On any failure the temporary file is removed and the target is
// left exactly as it was.
//
// Temporaries of our own writes have no name where the file system allows (O_TMPFILE), so a
// killed process leaves nothing behind. A library that writes by file name gets a hidden named
// temporary (".name.XXXXXX"); the leftovers of a killed write of that kind are removed by the
// next write of the same target, but only when no other write of ours is running in the folder
// (every write holds a shared lock on its folder while it runs).
#include "platform/file_status.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <string>

// How the finished file takes the target's place.
enum class Placement {
  Replace,       // replaces the file, or the file a chain of symbolic links leads to (the links stay)
  ReplaceEntry,  // replaces whatever stands at the name itself, a symbolic link included
  KeepExisting,  // only while the name is free; else fails with EEXIST (a dangling link counts)
};

// While one lives, AtomicFiles made on this thread without a placement of their own keep an
// existing file (KeepExisting): for saves through code that knows nothing of the choice.
class KeepExistingFiles {
 public:
  KeepExistingFiles();
  ~KeepExistingFiles();
  KeepExistingFiles(const KeepExistingFiles&) = delete;
  KeepExistingFiles& operator=(const KeepExistingFiles&) = delete;

 private:
  bool previous_;
};
Placement defaultPlacement();

// Whether a commit waits for the bytes to reach the disk. A file that can be rebuilt at will
// (a cache that checks itself) need not: after a crash it may read as damaged, never as half of
// the new file in place of the old one.
enum class Flush { ToDisk, No };

class AtomicFile {
 public:
  // Nothing is created until open().
  explicit AtomicFile(QString targetPath, Placement placement = defaultPlacement());
  ~AtomicFile();  // discards the temporary file unless it was committed
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates a named temporary file in the target's folder, for a library that writes by name:
  // it may write (or even replace) the file at tempPath() between open() and commit().
  FileStatus open();
  // Creates a temporary file without a name where the file system allows, else as open().
  // tempPath() then still opens it (through /proc): a library may write it there, but not
  // replace it.
  FileStatus openUnnamed();
  const QString& tempPath() const { return tempPath_; }
  const QString& targetPath() const { return targetPath_; }

  FileStatus write(const void* data, size_t size);
  FileStatus write(const QByteArray& bytes) { return write(bytes.constData(), size_t(bytes.size())); }

  // Flushes the temporary file to disk, gives it the permissions of the file it replaces (or
  // the usual ones for a new file) and puts it in the target's place.
  FileStatus commit(Flush flush = Flush::ToDisk);
  // Removes the temporary file; the target stays untouched.
  void discard();

 private:
  FileStatus prepare();
  FileStatus place(int fd);
  FileStatus linkInto(int fd, const std::string& name);

  QString targetPath_;
  Placement placement_;
  std::string dir_, name_;  // the folder and name the file goes to, links resolved where asked
  int dirFd_ = -1;          // the folder, locked shared while the write runs
  QString tempPath_;
  std::string tempName_;    // the named temporary's name in dir_; empty for an unnamed one
  int fd_ = -1;
  bool committed_ = false;
};

// Replaces (or creates) `target` with `bytes`.
FileStatus writeFileAtomically(const QString& target, const QByteArray& bytes);
