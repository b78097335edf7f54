#pragma once
// The file system as the folder scan and the shared file tests see it. Paths are QString
// carrying the raw bytes of the name (platform/path_codec.h); "/" separates folders.
#include <QString>
#include <cstdint>
#include <optional>
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

// An entry of a folder that is not a sub-folder.
struct FileEntry {
  QString name;
  bool regular = false;  // a regular file, or a symbolic link to one
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Windows-style attribute bits of the path (fileattr), or nothing when they cannot be read.
  virtual std::optional<uint32_t> attributes(const QString& path) = 0;
  virtual bool isRootFolder(const QString& path) = 0;
  // Appends the names of the folder's sub-folders, in the file system's order. Returns 0 on
  // success, 70 (permission denied), 76 (path not found) or another error number; the names
  // found before a failure stay in `names`.
  virtual int listSubFolders(const QString& folder, std::vector<QString>& names) = 0;
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
  virtual bool removeFile(const QString& path) = 0;
};
