#pragma once
// The file system on Linux, through system calls on the raw bytes of each path, so that
// names which are not valid UTF-8 are neither dropped nor changed.
#include "platform/file_system.h"

#include <QHash>
#include <functional>
#include <memory>
#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

struct dirent64;
// What a folder's entry leads to, links followed.
enum class EntryKind { Folder, Regular, Other, Missing };

class LinuxFileSystem : public FileSystem {
 public:
  // Directory 16, hidden 2 for a name starting with ".", read-only 1 when the entry is not
  // writable, reparse point 1024 for a symbolic link; system 4 is never set.
  std::optional<uint32_t> attributes(const QString& path, uint32_t wanted = ~uint32_t{0}) override;
  // Only "/" is a root folder.
  bool isRootFolder(const QString& path) override;
  // Symbolic links to folders count as sub-folders; "." and ".." are not listed.
  int listSubFolders(const QString& folder, std::vector<QString>& names) override;
  // Once given a stamp, a folder's listing is kept while its identity is settled before it: a
  // folder whose identity still holds is not read again, its names taken as that listing found
  // them (links and entries of unknown type looked at again, as a listing does).
  void keepListings(std::optional<TimeStamp> stamp) override;
  // One stat per sub-folder, relative to the folder being listed; the folder's own identity
  // from its open descriptor, before its entries are read.
  int listFolder(const QString& folder, std::vector<SubFolder>& subFolders, std::vector<FileEntry>* files,
                 std::optional<Identity>* identity = nullptr) override;
  bool listFiles(const QString& folder, std::vector<QString>& names) override;
  bool listFileEntries(const QString& folder, std::vector<FileEntry>& entries,
                       std::optional<Identity>* identity = nullptr) override;
  bool canOpen(const QString& path) override;
  std::optional<int64_t> lastModified(const QString& path) override;
  std::optional<Identity> identity(const QString& path) override;
  // An O_PATH descriptor of the folder; each look-up an fstatat of the name.
  std::unique_ptr<OpenFolder> openFolder(const QString& folder) override;
  // A file of one folder after another is looked up from that folder, held open.
  bool identitiesHold(std::span<const IdentityCheck> checks) override;
  // The times of an unnamed temporary file made in the folder (O_TMPFILE), or a named one
  // removed at once.
  std::optional<TimeStamp> timeStamp(const QString& folder) override;
  bool removeFile(const QString& path) override;
  // Opened non-blocking and refused after fstat unless regular; read with pread.
  std::unique_ptr<ReadableFile> openForReading(const QString& path) override;
  // Opened non-blocking; fstat only when the size or identity is asked for.
  std::unique_ptr<ReadableFile> openListedFile(const QString& path) override;
  FileStatus createFolderPath(const QString& folder) override;
  // Through an unnamed temporary (O_TMPFILE) where the file system allows.
  CheckedCopy copyFileChecked(const QString& source, const QString& target,
                              const std::function<bool(const QString& tempPath)>& accept) override;

 private:
  // A folder's names and entry types as its last listing found them, with its identity then.
  using KeptEntries = std::vector<std::pair<QString, unsigned char>>;
  struct KeptListing {
    Identity identity;
    std::shared_ptr<const KeptEntries> entries;
  };
  // Takes each entry of a listing: the open folder, the entry, what it leads to, its name.
  using Take = std::function<void(int dirFd, const dirent64* entry, EntryKind kind, const QString& name)>;
  // A folder's listing, read or kept; 0 or a listing error number.
  int readListing(const QString& folder, std::optional<Identity>* identity, const Take& take);
  // Each kept entry as a listing of the folder open as `fd` would give it; closes `fd`.
  static int takeKept(int fd, const KeptEntries& kept, const Take& take);
  std::mutex keptMutex_;
  QHash<QString, KeptListing> kept_;
  std::optional<TimeStamp> keepStamp_;
};
