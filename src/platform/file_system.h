#pragma once
// The file system as the commands see it: the folder scan, reading font files, copying a font
// into the fonts folder. Paths are QString carrying the raw bytes of the name
// (platform/path_codec.h); "/" separates folders.
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

// Identity of a folder on disk, so that a symbolic link back into the tree is noticed.
struct FolderId {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool operator==(const FolderId&) const = default;
};

// A sub-folder as its folder's listing found it: its attributes other than read-only and its
// identity, or nothing for what could not be read.
struct SubFolder {
  QString name;
  std::optional<uint32_t> attributes;
  std::optional<FolderId> id;
};

// An entry of a folder that is not a sub-folder.
struct FileEntry {
  QString name;
  bool regular = false;  // a regular file, or a symbolic link to one
};

// What tells one state of a file from another without reading it: a file written, replaced,
// renamed onto or changed in its permissions differs in one of these (times in nanoseconds
// since the epoch; the status change time cannot be set back).
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t size = 0;
  int64_t modifiedNs = 0;
  int64_t changedNs = 0;
  bool operator==(const FileIdentity&) const = default;
};

// A regular file opened for reading.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // The size when it was opened (for a listed file, when first asked for).
  virtual uint64_t size() const = 0;
  // The file's identity when it was opened (for a listed file, when first asked for); nothing
  // where the system cannot tell it.
  virtual std::optional<FileIdentity> identity() const { return std::nullopt; }
  // Reads up to `length` bytes at `offset`: the count read (0 at the end), or -1 on an error.
  virtual int64_t readAt(uint64_t offset, void* out, size_t length) = 0;
};

// A folder held open, its files looked up by name: a look-up walks the name only, not the
// folder's whole path. Used from the catalogue's reading thread too.
class OpenFolder {
 public:
  virtual ~OpenFolder() = default;
  // What FileSystem::fileIdentity gives for the folder's path, "/" and the name.
  virtual std::optional<FileIdentity> fileIdentity(const QString& name) = 0;
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
  // As listSubFolders, with what attributes(path, ~ReadOnly) and folderId(path) give for each
  // sub-folder; with `files`, also appends the folder's other entries as listFileEntries does.
  // A listing that tells these itself spares a query by path per folder, and a second listing.
  // For a caller that lists the same folders again and again (a window's refills): a listing
  // may then keep what it found, to serve while the folder shows no change.
  virtual void keepListings() {}
  virtual int listFolder(const QString& folder, std::vector<SubFolder>& subFolders, std::vector<FileEntry>* files) {
    std::vector<QString> names;
    const int error = listSubFolders(folder, names);
    const QString parent = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (QString& name : names) {
      const QString path = parent + name;
      subFolders.push_back({std::move(name), attributes(path, ~fileattr::ReadOnly), folderId(path)});
    }
    if (files) listFileEntries(folder, *files);
    return error;
  }
  // Appends the names of every entry of the folder that is not a sub-folder, in the file
  // system's order. Returns false when the folder cannot be read.
  virtual bool listFiles(const QString& folder, std::vector<QString>& names) = 0;
  // As listFiles, telling for each entry whether it is a regular file. This one cannot tell, so
  // it calls every entry regular and leaves the decision to the open (the font reader refuses
  // anything else).
  virtual bool listFileEntries(const QString& folder, std::vector<FileEntry>& entries) {
    std::vector<QString> names;
    const bool listed = listFiles(folder, names);
    for (QString& name : names) entries.push_back({std::move(name), true});
    return listed;
  }
  // True when the path is an existing regular file that can be opened for reading.
  virtual bool canOpen(const QString& path) = 0;
  virtual std::optional<FolderId> folderId(const QString& path) = 0;
  // Last-modified time in seconds since the epoch, or nothing when it cannot be read.
  virtual std::optional<int64_t> lastModified(const QString& path) = 0;
  // The identity of the regular file at the path (links followed), as an open of it would give;
  // nothing for anything else or where the system cannot tell. Called from the catalogue's
  // reading thread too.
  virtual std::optional<FileIdentity> fileIdentity(const QString& /*path*/) { return std::nullopt; }
  // The folder held open for look-ups by name; nothing where the system cannot hold it so (its
  // files are then looked up by their whole paths).
  virtual std::unique_ptr<OpenFolder> openFolder(const QString& /*folder*/) { return nullptr; }
  // The identity of whatever stands at the path (links followed), a folder's too, the path given
  // in the system's own bytes; nothing when there is nothing or the system cannot tell.
  virtual std::optional<FileIdentity> identityAt(const char* /*nativePath*/) { return std::nullopt; }
  // True when each path (in the system's own bytes) still has the identity given with it, none
  // meaning nothing there. Paths of one folder one after another may be looked up from it.
  struct IdentityCheck {
    const char* path;
    const std::optional<FileIdentity>* identity;
  };
  virtual bool identitiesHold(std::span<const IdentityCheck> checks) {
    for (const IdentityCheck& c : checks)
      if (identityAt(c.path) != *c.identity) return false;
    return true;
  }
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
