#pragma once
// The file system as the commands see it: the folder scan, reading font files, copying a font
// into the fonts folder. Paths are QString carrying the raw bytes of the name
// (platform/path_codec.h); "/" separates folders. The system's own bytes never pass here.
#include "platform/file_status.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace fileattr {
constexpr uint32_t ReadOnly = 1;
constexpr uint32_t Hidden = 2;
constexpr uint32_t System = 4;
constexpr uint32_t Directory = 16;
constexpr uint32_t ReparsePoint = 1024;
}  // namespace fileattr

// What tells one state of a file or folder from another without reading it: a file written,
// replaced, renamed onto or changed in its permissions, or a folder given an entry or losing one,
// differs in one of these (times in nanoseconds since the epoch; the status-change time cannot be
// set back). The same type and rule serve files and folders.
struct Identity {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t size = 0;
  int64_t modifiedNs = 0;
  int64_t changedNs = 0;
  // False on file systems whose status-change time does not prove a rewrite (vfat, exFAT, FUSE
  // and network file systems): what was read there is read again every time.
  bool provesChange = true;
  bool operator==(const Identity&) const = default;
  bool sameObject(const Identity& other) const { return device == other.device && inode == other.inode; }
};

// A time the file system gave, on its own clock and to its own tick, taken before a fill looks
// at anything: no local clock judges what changed too recently.
struct TimeStamp {
  uint64_t device = 0;
  int64_t ns = 0;
};

// How far before a stamp taken on another file system a time must lie to be trusted: that file
// system's clock may tick once a second, which the stamp's finer tick would not show.
constexpr int64_t kSettleNs = 2'000'000'000;

// True when any later change of what has this identity (taken after the stamp) will show in its
// identity: its file system proves changes, and it last changed on an earlier tick than the
// stamp. A change within the tick of an identity taken would otherwise leave it as it was.
inline bool isSettled(const Identity& identity, const TimeStamp& stamp) {
  const int64_t margin = identity.device == stamp.device ? 0 : kSettleNs;
  return identity.provesChange && identity.changedNs < stamp.ns - margin;
}

// A sub-folder as its folder's listing found it: its attributes other than read-only and its
// identity, or nothing for what could not be read.
struct SubFolder {
  QString name;
  std::optional<uint32_t> attributes;
  std::optional<Identity> identity;
};

// An entry of a folder that is not a sub-folder.
struct FileEntry {
  QString name;
  bool regular = false;  // a regular file, or a symbolic link to one
};

// A regular file opened for reading.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // The size when it was opened (for a listed file, when first asked for).
  virtual uint64_t size() const = 0;
  // The file's identity when it was opened (for a listed file, when first asked for); nothing
  // where the system cannot tell it.
  virtual std::optional<Identity> identity() const { return std::nullopt; }
  // Reads up to `length` bytes at `offset`: the count read (0 at the end), or -1 on an error.
  virtual int64_t readAt(uint64_t offset, void* out, size_t length) = 0;
};

// A folder held open, its files looked up by name: a look-up walks the name only, not the
// folder's whole path. Used from the catalogue's reading thread too.
class OpenFolder {
 public:
  virtual ~OpenFolder() = default;
  // What FileSystem::identity gives for the folder's path, "/" and the name.
  virtual std::optional<Identity> identity(const QString& name) = 0;
};

// The outcome of FileSystem::copyFileChecked.
struct CheckedCopy {
  FileStatus status;          // the copy's own failure, if any
  bool sourceFailed = false;  // the failure was in reading the source
  bool rejected = false;      // `accept` refused the copy; nothing was replaced
  bool ok() const { return status.ok() && !rejected; }
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Windows-style attribute bits of the path (fileattr), or nothing when they cannot be read.
  // Only the bits in `wanted` are read, the others read as clear: on some systems a bit costs
  // a query of its own (read-only is a permission test on Linux).
  virtual std::optional<uint32_t> attributes(const QString& path, uint32_t wanted = ~uint32_t{0}) = 0;
  virtual bool isRootFolder(const QString& path) = 0;
  // Appends the names of the folder's sub-folders, in the file system's order. Returns 0 on
  // success, 70 (permission denied), 76 (path not found) or another error number; the names
  // found before a failure stay in `names`.
  virtual int listSubFolders(const QString& folder, std::vector<QString>& names) = 0;
  // As listSubFolders, with what attributes(path, ~ReadOnly) and identity(path) give for each
  // sub-folder; with `files`, also appends the folder's other entries as listFileEntries does;
  // with `identity`, sets the folder's identity as it was before its entries were read (by its
  // path when it cannot be opened). A listing that tells these itself spares a query by path
  // per folder, and a second listing.
  virtual int listFolder(const QString& folder, std::vector<SubFolder>& subFolders, std::vector<FileEntry>* files,
                         std::optional<Identity>* identity = nullptr) {
    if (identity) *identity = this->identity(folder);
    std::vector<QString> names;
    const int error = listSubFolders(folder, names);
    const QString parent = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (QString& name : names) {
      const QString path = parent + name;
      subFolders.push_back({std::move(name), attributes(path, ~fileattr::ReadOnly), this->identity(path)});
    }
    if (files) listFileEntries(folder, *files);
    return error;
  }
  // For a caller that lists the same folders again and again (a window's refills): from now on a
  // listing whose folder's identity is settled before the stamp is kept, and serves again while
  // that identity holds. Nothing forgets every kept listing and keeps none.
  virtual void keepListings(std::optional<TimeStamp> /*stamp*/) {}
  // Appends the names of every entry of the folder that is not a sub-folder, in the file
  // system's order. Returns false when the folder cannot be read.
  virtual bool listFiles(const QString& folder, std::vector<QString>& names) = 0;
  // As listFiles, telling for each entry whether it is a regular file. This one cannot tell, so
  // it calls every entry regular and leaves the decision to the open (the font reader refuses
  // anything else).
  // With `identity`, as listFolder sets it.
  virtual bool listFileEntries(const QString& folder, std::vector<FileEntry>& entries,
                               std::optional<Identity>* identity = nullptr) {
    if (identity) *identity = this->identity(folder);
    std::vector<QString> names;
    const bool listed = listFiles(folder, names);
    for (QString& name : names) entries.push_back({std::move(name), true});
    return listed;
  }
  // True when the path is an existing regular file that can be opened for reading.
  virtual bool canOpen(const QString& path) = 0;
  // Last-modified time in seconds since the epoch, or nothing when it cannot be read.
  virtual std::optional<int64_t> lastModified(const QString& path) = 0;
  // The identity of whatever stands at the path, a file or a folder (links followed); nothing
  // when there is nothing or the system cannot tell. Called from the catalogue's reading thread
  // too.
  virtual std::optional<Identity> identity(const QString& /*path*/) { return std::nullopt; }
  // The folder held open for look-ups by name; nothing where the system cannot hold it so (its
  // files are then looked up by their whole paths).
  virtual std::unique_ptr<OpenFolder> openFolder(const QString& /*folder*/) { return nullptr; }
  // True when each path still has the identity given with it, none meaning nothing there.
  struct IdentityCheck {
    const QString* path;
    const std::optional<Identity>* identity;
  };
  virtual bool identitiesHold(std::span<const IdentityCheck> checks) {
    for (const IdentityCheck& c : checks)
      if (identity(*c.path) != *c.identity) return false;
    return true;
  }
  // The time the file system of the folder gives a file made there now, the folder's device
  // with it; nothing when no file can be made there, or its file system's times prove nothing.
  virtual std::optional<TimeStamp> timeStamp(const QString& /*folder*/) { return std::nullopt; }
  virtual bool removeFile(const QString& path) = 0;

  // Opens a regular file for reading (following links); nothing when the path cannot be opened
  // or is anything else: a FIFO or a device never blocks or gets touched. One open serves
  // every read, so the file cannot change identity between them. The catalogue's read-ahead
  // calls this (and the file's readAt) from its own thread while others run on the main one.
  virtual std::unique_ptr<ReadableFile> openForReading(const QString& path) = 0;
  // As openForReading, for a path that its folder's listing showed as a regular file (or a link
  // to one): opened without a status query of its own, which is made only when the size or the
  // identity is asked for. A reader that learns the size from its reads spares one system call a
  // file. Should the entry have been replaced since (by a folder, say), its reads fail.
  virtual std::unique_ptr<ReadableFile> openListedFile(const QString& path) { return openForReading(path); }
  // Creates the folder and every missing folder above it.
  virtual FileStatus createFolderPath(const QString& folder) = 0;
  // Copies the regular file `source` into a hidden temporary file in `target`'s folder. When the
  // copy is complete, `accept` looks at it (by its temporary path, which openForReading opens);
  // an accepted copy is flushed and put in place of whatever stands at `target` (a link there is
  // replaced, never written through), a refused or failed one is removed and `target` stays as
  // it was.
  virtual CheckedCopy copyFileChecked(const QString& source, const QString& target,
                                      const std::function<bool(const QString& tempPath)>& accept) = 0;
};
