#include "platform/linux/file_system_linux.h"

#include "platform/file_status.h"
#include "platform/path_codec.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// lstat and the hidden test need the entry itself: "/a/link/" would name the link's target.
std::string withoutTrailingSlash(std::string bytes) {
  while (bytes.size() > 1 && bytes.back() == '/') bytes.pop_back();
  return bytes;
}

bool isDotName(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The folder scan's error number: 70 permission denied, 76 path not found, 75 for the rest.
int listingError(int err) { return errorOfErrno(err).number; }

FileIdentity identityOf(const struct stat& st) {
  const auto ns = [](const timespec& t) { return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; };
  return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), static_cast<uint64_t>(st.st_size),
          ns(st.st_mtim), ns(st.st_ctim)};
}

class LinuxReadableFile final : public ReadableFile {
 public:
  LinuxReadableFile(int fd, const struct stat& st) : fd_(fd), asked_(true), identity_(identityOf(st)) {}
  // A listed file: its status is read when first asked for; anything but a regular file then
  // has no identity and reads as empty.
  explicit LinuxReadableFile(int fd) : fd_(fd) {}
  ~LinuxReadableFile() override { ::close(fd_); }
  LinuxReadableFile(const LinuxReadableFile&) = delete;
  LinuxReadableFile& operator=(const LinuxReadableFile&) = delete;
  uint64_t size() const override { return identity() ? identity_->size : 0; }
  std::optional<FileIdentity> identity() const override {
    struct stat st;
    if (!asked_ && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0) identity_ = identityOf(st);
    asked_ = true;
    return identity_;
  }
  int64_t readAt(uint64_t offset, void* out, size_t length) override {
    for (;;) {
      const ssize_t got = ::pread(fd_, out, length, static_cast<off_t>(offset));
      if (got >= 0 || errno != EINTR) return got;
    }
  }

 private:
  int fd_;
  mutable bool asked_ = false;
  mutable std::optional<FileIdentity> identity_;
};

class LinuxOpenFolder final : public OpenFolder {
 public:
  explicit LinuxOpenFolder(int fd) : fd_(fd) {}
  ~LinuxOpenFolder() override { ::close(fd_); }
  LinuxOpenFolder(const LinuxOpenFolder&) = delete;
  LinuxOpenFolder& operator=(const LinuxOpenFolder&) = delete;
  std::optional<FileIdentity> fileIdentity(const QString& name) override {
    struct stat st;
    if (::fstatat(fd_, pathToBytes(name).c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return identityOf(st);
  }

 private:
  const int fd_;
};

enum class Kind { Folder, Regular, Other, Missing };

// What the entry leads to, following symbolic links. The entry's type answers without a stat
// except for links and on file systems that leave it unknown.
Kind entryKind(int dirFd, const dirent64* entry) {
  if (entry->d_type == DT_DIR) return Kind::Folder;
  if (entry->d_type == DT_REG) return Kind::Regular;
  if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) return Kind::Other;
  struct stat st;
  if (fstatat(dirFd, entry->d_name, &st, 0) != 0) {
    // A dangling link is still an entry; one that vanished meanwhile is not.
    return (entry->d_type == DT_LNK || fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
               ? Kind::Other
               : Kind::Missing;
  }
  return S_ISDIR(st.st_mode) ? Kind::Folder : S_ISREG(st.st_mode) ? Kind::Regular : Kind::Other;
}

// A sub-folder entry with its attributes and identity, as attributes() and folderId() would
// read them by path.
SubFolder subFolderOf(int dirFd, const dirent64* entry) {
  SubFolder sub{pathFromBytes(entry->d_name), std::nullopt, std::nullopt};
  struct stat st;
  if (fstatat(dirFd, entry->d_name, &st, 0) != 0) return sub;
  uint32_t attributes = S_ISDIR(st.st_mode) ? fileattr::Directory : 0;
  struct stat own;
  if (entry->d_type == DT_LNK ||
      (entry->d_type == DT_UNKNOWN && fstatat(dirFd, entry->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0 &&
       S_ISLNK(own.st_mode)))
    attributes |= fileattr::ReparsePoint;
  if (entry->d_name[0] == '.') attributes |= fileattr::Hidden;
  sub.attributes = attributes;
  sub.id = FolderId{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  return sub;
}

// Opened to be listed: a folder name that is a FIFO or device must never block or act.
int openForListing(const QString& folder) {
  return ::open(pathToBytes(folder).c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
}

// Walks the entries of the folder open as `fd` and closes it; returns 0 or a listing error
// number. The entries are read in blocks straight from the folder (opendir would add a status
// query and a 32 KiB allocation for each folder of a scan of thousands).
template <typename Visit>
int walkEntries(int fd, Visit visit) {
  alignas(dirent64) char block[32 * 1024];
  int result = 0;
  for (;;) {
    const ssize_t got = ::getdents64(fd, block, sizeof block);
    if (got <= 0) {
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) result = listingError(errno);
      break;
    }
    for (ssize_t at = 0; at < got;) {
      const auto* entry = reinterpret_cast<const dirent64*>(block + at);
      at += entry->d_reclen;
      if (isDotName(entry->d_name)) continue;
      const Kind kind = entryKind(fd, entry);
      if (kind != Kind::Missing) visit(fd, entry, kind);
    }
  }
  ::close(fd);
  return result;
}

// Walks the folder's entries; returns 0 or a listing error number.
template <typename Visit>
int forEachEntry(const QString& folder, Visit visit) {
  const int fd = openForListing(folder);
  if (fd < 0) return listingError(errno);
  return walkEntries(fd, visit);
}

}  // namespace

std::optional<uint32_t> LinuxFileSystem::attributes(const QString& path, uint32_t wanted) {
  const std::string bytes = withoutTrailingSlash(pathToBytes(path));
  if (bytes.empty()) return std::nullopt;
  struct stat st;
  if (lstat(bytes.c_str(), &st) != 0) return std::nullopt;
  uint32_t result = 0;
  bool reachable = true;
  if (S_ISLNK(st.st_mode)) {
    result |= fileattr::ReparsePoint;
    struct stat target;
    reachable = stat(bytes.c_str(), &target) == 0;
    if (reachable) st = target;  // a dangling link keeps its own mode
  }
  if (S_ISDIR(st.st_mode)) result |= fileattr::Directory;
  const size_t slash = bytes.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  if (nameStart < bytes.size() && bytes[nameStart] == '.') result |= fileattr::Hidden;
  // The mode bits say read-only even for root, who may write anyway; access() covers the
  // other users and read-only mounts.
  if ((wanted & fileattr::ReadOnly) &&
      ((st.st_mode & 0222) == 0 || (reachable && access(bytes.c_str(), W_OK) != 0)))
    result |= fileattr::ReadOnly;
  return result & wanted;
}

bool LinuxFileSystem::isRootFolder(const QString& path) {
  const std::string bytes = pathToBytes(path);
  return !bytes.empty() && bytes.find_first_not_of('/') == std::string::npos;
}

int LinuxFileSystem::listSubFolders(const QString& folder, std::vector<QString>& names) {
  return forEachEntry(folder, [&](int, const dirent64* entry, Kind kind) {
    if (kind == Kind::Folder) names.push_back(pathFromBytes(entry->d_name));
  });
}

int LinuxFileSystem::listFolder(const QString& folder, std::vector<SubFolder>& subFolders,
                                std::vector<FileEntry>* files) {
  const auto take = [&](int fd, const dirent64* entry, Kind kind, const QString& name) {
    if (kind == Kind::Folder) subFolders.push_back(subFolderOf(fd, entry));
    else if (files) files->push_back({name, kind == Kind::Regular});
  };
  const int fd = openForListing(folder);
  if (fd < 0) return listingError(errno);
  // The command line lists each folder once: it takes no status of it and keeps nothing.
  if (!keepListings_) return walkEntries(fd, [&](int at, const dirent64* entry, Kind kind) {
    take(at, entry, kind, pathFromBytes(entry->d_name));
  });
  struct stat st;
  const std::optional<FileIdentity> identity = fstat(fd, &st) == 0 ? std::optional(identityOf(st)) : std::nullopt;
  std::shared_ptr<const KeptEntries> kept;
  {
    const std::lock_guard lock(keptMutex_);
    const auto it = kept_.constFind(folder);
    if (it != kept_.cend() && it->identity == identity) kept = it->entries;
  }
  if (kept) {
    // Each entry as the listing would give it: only the name and type come from before.
    dirent64 entry{};
    for (const auto& [name, type] : *kept) {
      entry.d_type = type;
      const std::string bytes = type == DT_REG ? std::string() : pathToBytes(name);
      if (bytes.size() >= sizeof entry.d_name) continue;  // never kept: no name is that long
      std::memcpy(entry.d_name, bytes.c_str(), bytes.size() + 1);
      const Kind kind = entryKind(fd, &entry);
      if (kind != Kind::Missing) take(fd, &entry, kind, name);
    }
    ::close(fd);
    return 0;
  }
  auto entries = std::make_shared<KeptEntries>();
  const int result = walkEntries(fd, [&](int at, const dirent64* entry, Kind kind) {
    entries->emplace_back(pathFromBytes(entry->d_name), entry->d_type);
    take(at, entry, kind, entries->back().first);
  });
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const bool settled =
      identity && identity->changedNs < std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() - listingSettleNs;
  const std::lock_guard lock(keptMutex_);
  if (result == 0 && settled)
    kept_.insert(folder, {*identity, std::move(entries)});
  else
    kept_.remove(folder);
  return result;
}

bool LinuxFileSystem::listFiles(const QString& folder, std::vector<QString>& names) {
  return forEachEntry(folder, [&](int, const dirent64* entry, Kind kind) {
           if (kind != Kind::Folder) names.push_back(pathFromBytes(entry->d_name));
         }) == 0;
}

bool LinuxFileSystem::listFileEntries(const QString& folder, std::vector<FileEntry>& entries) {
  return forEachEntry(folder, [&](int, const dirent64* entry, Kind kind) {
           if (kind != Kind::Folder) entries.push_back({pathFromBytes(entry->d_name), kind == Kind::Regular});
         }) == 0;
}

bool LinuxFileSystem::canOpen(const QString& path) {
  const std::string bytes = pathToBytes(path);
  if (bytes.empty()) return false;
  struct stat st;
  // Only regular files: opening a FIFO or a device could block or have side effects.
  if (stat(bytes.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  // The permission test open() would make, with the ids open() uses, without opening: every
  // file of a catalogue passes here, and open, fstat and close cost three calls where this
  // costs one.
  return faccessat(AT_FDCWD, bytes.c_str(), R_OK, AT_EACCESS) == 0;
}

std::optional<FolderId> LinuxFileSystem::folderId(const QString& path) {
  const std::string bytes = pathToBytes(path);
  struct stat st;
  if (bytes.empty() || stat(bytes.c_str(), &st) != 0) return std::nullopt;
  return FolderId{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

std::optional<int64_t> LinuxFileSystem::lastModified(const QString& path) {
  const std::string bytes = pathToBytes(path);
  struct stat st;
  if (bytes.empty() || stat(bytes.c_str(), &st) != 0) return std::nullopt;
  return static_cast<int64_t>(st.st_mtime);
}

std::optional<FileIdentity> LinuxFileSystem::fileIdentity(const QString& path) {
  struct stat st;
  if (::stat(pathToBytes(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return identityOf(st);
}

std::unique_ptr<OpenFolder> LinuxFileSystem::openFolder(const QString& folder) {
  const std::string bytes = pathToBytes(folder);
  const int fd = bytes.empty() ? -1 : ::open(bytes.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::make_unique<LinuxOpenFolder>(fd);
}

std::optional<FileIdentity> LinuxFileSystem::identityAt(const char* nativePath) {
  struct stat st;
  if (::stat(nativePath, &st) != 0) return std::nullopt;
  return identityOf(st);
}

bool LinuxFileSystem::identitiesHold(std::span<const IdentityCheck> checks) {
  // A file is looked up from its open folder: the folder's path is walked once, not once a file.
  int folderFd = -1;
  std::string_view folder;
  const auto hold = [&](const IdentityCheck& c) {
    const std::string_view path(c.path);
    const size_t slash = path.rfind('/');
    struct stat st;
    if (slash == std::string_view::npos || slash == 0 || slash + 1 == path.size()) {
      if (::stat(c.path, &st) != 0) return !*c.identity;
      return identityOf(st) == *c.identity;
    }
    if (path.substr(0, slash) != folder || folderFd < 0) {
      if (folderFd >= 0) ::close(folderFd);
      folder = path.substr(0, slash);
      folderFd = ::open(std::string(folder).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    const int done = folderFd >= 0 ? ::fstatat(folderFd, c.path + slash + 1, &st, 0) : ::stat(c.path, &st);
    if (done != 0) return !*c.identity;
    return identityOf(st) == *c.identity;
  };
  const bool held = std::all_of(checks.begin(), checks.end(), hold);
  if (folderFd >= 0) ::close(folderFd);
  return held;
}

bool LinuxFileSystem::removeFile(const QString& path) {
  const std::string bytes = pathToBytes(path);
  return !bytes.empty() && unlink(bytes.c_str()) == 0;
}

std::unique_ptr<ReadableFile> LinuxFileSystem::openForReading(const QString& path) {
  // O_NONBLOCK only matters for a FIFO, which fstat() then refuses.
  const int fd = ::open(pathToBytes(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<LinuxReadableFile>(fd, st);
}

std::unique_ptr<ReadableFile> LinuxFileSystem::openListedFile(const QString& path) {
  const int fd = ::open(pathToBytes(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return nullptr;
  return std::make_unique<LinuxReadableFile>(fd);
}
