#pragma once
// The file system on Linux, through system calls on the raw bytes of each path, so that
// names which are not valid UTF-8 are neither dropped nor changed.
#include "platform/file_system.h"

#include <QHash>
#include <memory>
#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

class LinuxFileSystem : public FileSystem {
 public:
  // Directory 16, hidden 2 for a name starting with ".", read-only 1 when the entry is not
  // writable, reparse point 1024 for a symbolic link; system 4 is never set.
  std::optional<uint32_t> attributes(const QString& path, uint32_t wanted = ~uint32_t{0}) override;
  // Only "/" is a root folder.
  bool isRootFolder(const QString& path) override;
  // Symbolic links to folders count as sub-folders; "." and ".." are not listed.
  int listSubFolders(const QString& folder, std::vector<QString>& names) override;
  void keepListings() override { keepListings_ = true; }
  // One stat per sub-folder, relative to the folder being listed. Once listings are kept, a
  // folder whose status shows no change since a while before its last listing is not read again: its names are taken as that
  // listing found them (links and entries of unknown type looked at again, as a listing does).
  int listFolder(const QString& folder, std::vector<SubFolder>& subFolders, std::vector<FileEntry>* files) override;
  bool listFiles(const QString& folder, std::vector<QString>& names) override;
  bool listFileEntries(const QString& folder, std::vector<FileEntry>& entries) override;
  bool canOpen(const QString& path) override;
  std::optional<FolderId> folderId(const QString& path) override;
  std::optional<int64_t> lastModified(const QString& path) override;
  std::optional<FileIdentity> fileIdentity(const QString& path) override;
  // An O_PATH descriptor of the folder; each look-up an fstatat of the name.
  std::unique_ptr<OpenFolder> openFolder(const QString& folder) override;
  std::optional<FileIdentity> identityAt(const char* nativePath) override;
  bool identitiesHold(std::span<const IdentityCheck> checks) override;
  bool removeFile(const QString& path) override;
  // Opened non-blocking and refused after fstat unless regular; read with pread.
  std::unique_ptr<ReadableFile> openForReading(const QString& path) override;
  // Opened non-blocking; fstat only when the size or identity is asked for.
  std::unique_ptr<ReadableFile> openListedFile(const QString& path) override;
  FileStatus createFolderPath(const QString& folder) override;
  // Through an unnamed temporary (O_TMPFILE) where the file system allows.
  CheckedCopy copyFileChecked(const QString& source, const QString& target,
                              const std::function<bool(const QString& tempPath)>& accept) override;

  // A folder whose status changed this recently (nanoseconds) before a listing keeps no names
  // from it: a change within the same tick of the file system's clock would leave its status as
  // it was.
  int64_t listingSettleNs = 3'000'000'000;

 private:
  // A folder's names and entry types as its last listing found them, with its identity then.
  using KeptEntries = std::vector<std::pair<QString, unsigned char>>;
  struct KeptListing {
    FileIdentity identity;
    std::shared_ptr<const KeptEntries> entries;
  };
  std::mutex keptMutex_;
  QHash<QString, KeptListing> kept_;
  std::atomic<bool> keepListings_ = false;
};
