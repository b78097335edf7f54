#include "platform/linux/file_system_linux.h"

#include "platform/file_status.h"
#include "platform/path_codec.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <linux/magic.h>
#include <unordered_map>
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

// File systems whose status-change time does not prove a rewrite: FAT keeps no status-change
// time at all, FUSE and network file systems give whatever their server or driver says.
bool provesChange(long type) {
  constexpr long kUnproven[] = {MSDOS_SUPER_MAGIC, 0x2011BAB0 /* exFAT */, 0x65735546 /* FUSE */, NFS_SUPER_MAGIC,
                                SMB_SUPER_MAGIC,   0xFE534D42 /* SMB2 */, 0xFF534D42 /* CIFS */, V9FS_MAGIC,
                                0x00C36400 /* Ceph */, AFS_SUPER_MAGIC, 0x6B414653 /* kAFS */, CODA_SUPER_MAGIC,
                                NCP_SUPER_MAGIC,   0x5346544E /* NTFS */, 0x7366746E /* NTFS3 */};
  return std::find(std::begin(kUnproven), std::end(kUnproven), type) == std::end(kUnproven);
}

// Whether the device's file system proves changes: asked of the file system once per device
// (`at` and `name` say where something of it stands), from either thread of a fill.
bool deviceProvesChange(dev_t device, int at, const char* name) {
  // A fill meets the same device file after file: each thread keeps the last answer at hand.
  thread_local std::pair<dev_t, bool> last{0, false};
  thread_local bool lastSet = false;
  if (lastSet && last.first == device) return last.second;
  static std::mutex mutex;
  static std::unordered_map<dev_t, bool> known;
  {
    const std::lock_guard lock(mutex);
    if (const auto it = known.find(device); it != known.end()) {
      last = {device, it->second};
      lastSet = true;
      return it->second;
    }
  }
  struct statfs fs;
  const int fd = name ? ::openat(at, name, O_PATH | O_CLOEXEC) : at;
  const bool proves = fd >= 0 && ::fstatfs(fd, &fs) == 0 && provesChange(static_cast<long>(fs.f_type));
  if (name && fd >= 0) ::close(fd);
  const std::lock_guard lock(mutex);
  known.emplace(device, proves);
  last = {device, proves};
  lastSet = true;
  return proves;
}

// The identity of what `st` describes, which stands at `name` in the folder `at` (or is `at`
// itself without a name).
Identity identityOf(const struct stat& st, int at, const char* name) {
  const auto ns = [](const timespec& t) { return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; };
  return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), static_cast<uint64_t>(st.st_size),
          ns(st.st_mtim), ns(st.st_ctim), deviceProvesChange(st.st_dev, at, name)};
}

class LinuxReadableFile final : public ReadableFile {
 public:
  LinuxReadableFile(int fd, const struct stat& st) : fd_(fd), asked_(true), identity_(identityOf(st, fd, nullptr)) {}
  // A listed file: its status is read when first asked for; anything but a regular file then
  // has no identity and reads as empty.
  explicit LinuxReadableFile(int fd) : fd_(fd) {}
  ~LinuxReadableFile() override { ::close(fd_); }
  LinuxReadableFile(const LinuxReadableFile&) = delete;
  LinuxReadableFile& operator=(const LinuxReadableFile&) = delete;
  uint64_t size() const override { return identity() ? identity_->size : 0; }
  std::optional<Identity> identity() const override {
    struct stat st;
    if (!asked_ && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0) identity_ = identityOf(st, fd_, nullptr);
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
  mutable std::optional<Identity> identity_;
};

class LinuxOpenFolder final : public OpenFolder {
 public:
  explicit LinuxOpenFolder(int fd) : fd_(fd) {}
  ~LinuxOpenFolder() override { ::close(fd_); }
  LinuxOpenFolder(const LinuxOpenFolder&) = delete;
  LinuxOpenFolder& operator=(const LinuxOpenFolder&) = delete;
  std::optional<Identity> identity(const QString& name) override {
    const std::string bytes = pathToBytes(name);
    struct stat st;
    if (::fstatat(fd_, bytes.c_str(), &st, 0) != 0) return std::nullopt;
    return identityOf(st, fd_, bytes.c_str());
  }

 private:
  const int fd_;
};

using Kind = EntryKind;

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
  sub.identity = identityOf(st, dirFd, entry->d_name);
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

void LinuxFileSystem::keepListings(std::optional<TimeStamp> stamp) {
  const std::lock_guard lock(keptMutex_);
  keepStamp_ = stamp;
  if (!stamp) kept_.clear();
}

int LinuxFileSystem::takeKept(int fd, const KeptEntries& kept, const Take& take) {
  // Only the name and type come from before: links and unknown types are looked at again.
  dirent64 entry{};
  for (const auto& [name, type] : kept) {
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

int LinuxFileSystem::readListing(const QString& folder, std::optional<Identity>* identity, const Take& take) {
  const int fd = openForListing(folder);
  if (fd < 0) {
    const int error = listingError(errno);
    if (identity) *identity = this->identity(folder);
    return error;
  }
  std::optional<TimeStamp> stamp;
  {
    const std::lock_guard lock(keptMutex_);
    stamp = keepStamp_;
  }
  // The identity before any entry is read: an entry made meanwhile changes it after.
  struct stat st;
  std::optional<Identity> own;
  if ((identity || stamp) && ::fstat(fd, &st) == 0) own = identityOf(st, fd, nullptr);
  if (identity) *identity = own;
  if (!stamp) {
    return walkEntries(fd, [&](int at, const dirent64* entry, Kind kind) {
      take(at, entry, kind, pathFromBytes(entry->d_name));
    });
  }
  std::shared_ptr<const KeptEntries> kept;
  {
    const std::lock_guard lock(keptMutex_);
    const auto it = kept_.constFind(folder);
    if (it != kept_.cend() && own && it->identity == *own) kept = it->entries;
  }
  if (kept) return takeKept(fd, *kept, take);
  auto entries = std::make_shared<KeptEntries>();
  const int result = walkEntries(fd, [&](int at, const dirent64* entry, Kind kind) {
    entries->emplace_back(pathFromBytes(entry->d_name), entry->d_type);
    take(at, entry, kind, entries->back().first);
  });
  const std::lock_guard lock(keptMutex_);
  if (result == 0 && own && isSettled(*own, *stamp))
    kept_.insert(folder, {*own, std::move(entries)});
  else
    kept_.remove(folder);
  return result;
}

int LinuxFileSystem::listFolder(const QString& folder, std::vector<SubFolder>& subFolders,
                                std::vector<FileEntry>* files, std::optional<Identity>* identity) {
  return readListing(folder, identity, [&](int fd, const dirent64* entry, Kind kind, const QString& name) {
    if (kind == Kind::Folder)
      subFolders.push_back(subFolderOf(fd, entry));
    else if (files)
      files->push_back({name, kind == Kind::Regular});
  });
}

bool LinuxFileSystem::listFiles(const QString& folder, std::vector<QString>& names) {
  return forEachEntry(folder, [&](int, const dirent64* entry, Kind kind) {
           if (kind != Kind::Folder) names.push_back(pathFromBytes(entry->d_name));
         }) == 0;
}

bool LinuxFileSystem::listFileEntries(const QString& folder, std::vector<FileEntry>& entries,
                                     std::optional<Identity>* identity) {
  return readListing(folder, identity, [&](int, const dirent64*, Kind kind, const QString& name) {
           if (kind != Kind::Folder) entries.push_back({name, kind == Kind::Regular});
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

std::optional<int64_t> LinuxFileSystem::lastModified(const QString& path) {
  const std::string bytes = pathToBytes(path);
  struct stat st;
  if (bytes.empty() || stat(bytes.c_str(), &st) != 0) return std::nullopt;
  return static_cast<int64_t>(st.st_mtime);
}

std::optional<Identity> LinuxFileSystem::identity(const QString& path) {
  const std::string bytes = pathToBytes(path);
  struct stat st;
  if (bytes.empty() || ::stat(bytes.c_str(), &st) != 0) return std::nullopt;
  return identityOf(st, AT_FDCWD, bytes.c_str());
}

std::unique_ptr<OpenFolder> LinuxFileSystem::openFolder(const QString& folder) {
  const std::string bytes = pathToBytes(folder);
  const int fd = bytes.empty() ? -1 : ::open(bytes.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::make_unique<LinuxOpenFolder>(fd);
}

bool LinuxFileSystem::identitiesHold(std::span<const IdentityCheck> checks) {
  // A file is looked up from its open folder: the folder's path is walked once, not once a file.
  int folderFd = -1;
  std::string folder, path;
  const auto hold = [&](const IdentityCheck& c) {
    path.clear();
    appendPathBytes(path, *c.path);
    const size_t slash = path.rfind('/');
    const bool named = slash != std::string::npos && slash != 0 && slash + 1 != path.size();
    if (named && (folderFd < 0 || path.compare(0, slash, folder) != 0 || folder.size() != slash)) {
      if (folderFd >= 0) ::close(folderFd);
      folder.assign(path, 0, slash);
      folderFd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    const int at = named && folderFd >= 0 ? folderFd : AT_FDCWD;
    const char* name = at == AT_FDCWD ? path.c_str() : path.c_str() + slash + 1;
    struct stat st;
    if (::fstatat(at, name, &st, 0) != 0) return !*c.identity;
    return *c.identity && identityOf(st, at, name) == **c.identity;
  };
  const bool held = std::all_of(checks.begin(), checks.end(), hold);
  if (folderFd >= 0) ::close(folderFd);
  return held;
}

std::optional<TimeStamp> LinuxFileSystem::timeStamp(const QString& folder) {
  const std::string bytes = pathToBytes(folder);
  if (bytes.empty()) return std::nullopt;
  int fd = ::open(bytes.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) {  // a file system without unnamed files
    std::string name = withoutTrailingSlash(bytes) + "/.typorama-stamp-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(name.c_str());
  }
  if (fd < 0) return std::nullopt;
  struct stat st;
  const bool stamped = ::fstat(fd, &st) == 0;
  const Identity own = stamped ? identityOf(st, fd, nullptr) : Identity{};
  ::close(fd);
  if (!stamped || !own.provesChange) return std::nullopt;
  return TimeStamp{own.device, own.changedNs};
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
