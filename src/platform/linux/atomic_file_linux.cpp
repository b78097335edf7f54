#include "platform/atomic_file.h"

#include "platform/path_codec.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

thread_local bool tKeepExisting = false;

// The process umask, read without changing it where the system lets us.
mode_t currentUmask() {
  if (FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (std::fgets(line, sizeof line, f)) {
      if (std::sscanf(line, "Umask: %o", &mask) == 1) { found = true; break; }
    }
    std::fclose(f);
    if (found) return static_cast<mode_t>(mask);
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

FileStatus writeAll(int fd, const char* p, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FileStatus::fromErrno(errno);
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return {};
}

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows a chain of symbolic links at the end of `path` to the name it finally leads to,
// which need not exist (a dangling link). Folders along the way need no resolving: a rename
// inside a folder works through them.
int resolveLinks(std::string& path) {
  for (int hops = 0;; ++hops) {
    std::vector<char> buf(4096);
    const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n < 0) return errno == EINVAL || errno == ENOENT ? 0 : errno;  // not a link, or nothing there
    if (hops == 40) return ELOOP;
    if (size_t(n) >= buf.size()) return ENAMETOOLONG;
    std::string next(buf.data(), size_t(n));
    if (next.front() != '/') {
      const auto slash = path.rfind('/');
      if (slash != std::string::npos) next = path.substr(0, slash + 1) + next;
    }
    path = std::move(next);
  }
}

// Our temporary names for a target called `base`: ".base.XXXXXX"; the name is cut so that the
// temporary's stays within the 255-byte limit of a file name.
std::string tempPrefix(const std::string& base) { return "." + base.substr(0, 200) + "."; }

bool isRandomPart(std::string_view s) {
  if (s.size() != 6) return false;
  for (const char c : s)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  return true;
}

// Ours, or the temporary that libzip writes beside ours (".base.XXXXXX.XXXXXX").
bool isLeftoverName(std::string_view name, std::string_view prefix) {
  if (name.substr(0, prefix.size()) != prefix) return false;
  const std::string_view rest = name.substr(prefix.size());
  if (rest.size() == 6) return isRandomPart(rest);
  return rest.size() == 13 && isRandomPart(rest.substr(0, 6)) && rest[6] == '.' && isRandomPart(rest.substr(7));
}

// Deletes the temporaries that killed writes of `base` left in the folder. Only called while
// holding the folder's lock exclusively, so no write of ours is running there.
void removeLeftovers(int dirFd, const std::string& base) {
  const int listFd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listFd < 0) return;
  DIR* d = ::fdopendir(listFd);
  if (!d) {
    ::close(listFd);
    return;
  }
  const std::string prefix = tempPrefix(base);
  std::vector<std::string> doomed;
  while (const dirent* e = ::readdir(d)) {
    if (!isLeftoverName(e->d_name, prefix)) continue;
    struct stat st {};
    if (::fstatat(dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
        st.st_uid == ::geteuid())
      doomed.emplace_back(e->d_name);
  }
  ::closedir(d);
  for (const std::string& name : doomed) ::unlinkat(dirFd, name.c_str(), 0);
}

int lockRetrying(int fd, int operation) {
  int rc;
  do rc = ::flock(fd, operation);
  while (rc != 0 && errno == EINTR);
  return rc;
}

std::string randomTempName(const std::string& base) {
  static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[6] = {};
  if (::getrandom(bytes, sizeof bytes, 0) != ssize_t(sizeof bytes))
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(std::rand());
  std::string name = tempPrefix(base);
  for (const unsigned char b : bytes) name += kChars[b % 62];
  return name;
}

}  // namespace

KeepExistingFiles::KeepExistingFiles() : previous_(tKeepExisting) { tKeepExisting = true; }
KeepExistingFiles::~KeepExistingFiles() { tKeepExisting = previous_; }
Placement defaultPlacement() { return tKeepExisting ? Placement::KeepExisting : Placement::Replace; }

AtomicFile::AtomicFile(QString targetPath, Placement placement)
    : targetPath_(std::move(targetPath)), placement_(placement) {}

AtomicFile::~AtomicFile() {
  if (!committed_) discard();
}

// Finds the folder and name to write, refuses what must not be replaced, takes the folder's
// lock and clears the leftovers of earlier killed writes of this target.
FileStatus AtomicFile::prepare() {
  if (dirFd_ >= 0 || committed_) return {EBUSY, QStringLiteral("The file is already open")};
  std::string target = pathToBytes(targetPath_);
  if (target.empty()) return FileStatus::fromErrno(ENOENT);
  const std::string asked = target;
  if (placement_ == Placement::Replace) {
    if (const int error = resolveLinks(target)) return FileStatus::fromErrno(error);
  }
  if (target.back() == '/') return FileStatus::fromErrno(EISDIR);
  dir_ = folderOf(target);
  name_ = nameOf(target);
  if (name_ == "." || name_ == "..") return FileStatus::fromErrno(EISDIR);

  dirFd_ = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // A folder we may write to but not list can still take the file, without lock or clean-up.
  if (dirFd_ < 0 && errno == EACCES) dirFd_ = ::open(dir_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (dirFd_ < 0) {
    const int error = errno;
    if (target != asked && (error == ENOENT || error == ENOTDIR))
      return {error, QStringLiteral("the symbolic link leads to %1, whose folder does not exist")
                         .arg(pathFromBytes(target))};
    return FileStatus::fromErrno(error);
  }
  struct stat st {};
  if (::fstatat(dirFd_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    FileStatus refusal;
    if (placement_ == Placement::KeepExisting) refusal = FileStatus::fromErrno(EEXIST);
    else if (S_ISDIR(st.st_mode)) refusal = FileStatus::fromErrno(EISDIR);
    else if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) refusal = {EINVAL, QStringLiteral("Not a regular file")};
    if (!refusal.ok()) {
      discard();
      return refusal;
    }
  }

  if (::flock(dirFd_, LOCK_EX | LOCK_NB) == 0) {
    removeLeftovers(dirFd_, name_);
    lockRetrying(dirFd_, LOCK_SH);
  } else if (errno == EWOULDBLOCK) {
    lockRetrying(dirFd_, LOCK_SH);  // others write here: their temporaries stay alone
  }
  return {};
}

FileStatus AtomicFile::open() {
  FileStatus status = prepare();
  if (!status.ok()) return status;
  const std::string pattern = (dir_ == "/" ? std::string() : dir_) + "/" + tempPrefix(name_) + "XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const int fd = ::mkostemp(buf.data(), O_CLOEXEC);
  if (fd < 0) {
    status = FileStatus::fromErrno(errno);
    discard();
    return status;
  }
  fd_ = fd;
  tempPath_ = pathFromBytes(std::string_view(buf.data(), pattern.size()));
  tempName_ = nameOf(std::string(buf.data(), pattern.size()));
  return {};
}

FileStatus AtomicFile::openUnnamed() {
  FileStatus status = prepare();
  if (!status.ok()) return status;
  const int fd = ::openat(dirFd_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) {
    // Linking it into place later needs /proc (or a privilege): check that /proc is there.
    const std::string proc = "/proc/self/fd/" + std::to_string(fd);
    struct stat viaFd {}, viaProc {};
    if (::fstat(fd, &viaFd) == 0 && ::stat(proc.c_str(), &viaProc) == 0 && viaFd.st_ino == viaProc.st_ino &&
        viaFd.st_dev == viaProc.st_dev) {
      fd_ = fd;
      tempPath_ = QString::fromStdString(proc);
      return {};
    }
    ::close(fd);
  }
  // The file system refuses unnamed files: a named one, cleaned up on the next write if killed.
  ::close(dirFd_);
  dirFd_ = -1;
  return open();
}

FileStatus AtomicFile::write(const void* data, size_t size) {
  if (fd_ < 0) return FileStatus::fromErrno(EBADF);
  return writeAll(fd_, static_cast<const char*>(data), size);
}

FileStatus AtomicFile::linkInto(int fd, const std::string& name) {
  if (::linkat(fd, "", dirFd_, name.c_str(), AT_EMPTY_PATH) == 0) return {};
  if (errno != ENOENT && errno != EPERM) return FileStatus::fromErrno(errno);
  // Without the privilege AT_EMPTY_PATH needs, the same through /proc.
  const std::string proc = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, proc.c_str(), dirFd_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return {};
  return FileStatus::fromErrno(errno);
}

// Puts the finished file at name_: from the named temporary when `fd` is -1, else from the
// unnamed one open at `fd`.
FileStatus AtomicFile::place(int fd) {
  const bool keep = placement_ == Placement::KeepExisting;
  if (fd < 0) {
    if (!keep) {
      if (::renameat(dirFd_, tempName_.c_str(), dirFd_, name_.c_str()) != 0) return FileStatus::fromErrno(errno);
      return {};
    }
    if (::renameat2(dirFd_, tempName_.c_str(), dirFd_, name_.c_str(), RENAME_NOREPLACE) == 0) return {};
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return FileStatus::fromErrno(errno);
    // A file system without rename flags: a new link fails in the same way when the name is taken.
    if (::linkat(dirFd_, tempName_.c_str(), dirFd_, name_.c_str(), 0) != 0) return FileStatus::fromErrno(errno);
    ::unlinkat(dirFd_, tempName_.c_str(), 0);
    tempName_.clear();
    return {};
  }
  if (keep) return linkInto(fd, name_);
  // A link cannot replace a file: link under a fresh temporary name, then rename that over.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temp = randomTempName(name_);
    FileStatus status = linkInto(fd, temp);
    if (status.error == EEXIST) continue;
    if (!status.ok()) return status;
    if (::renameat(dirFd_, temp.c_str(), dirFd_, name_.c_str()) == 0) return {};
    status = FileStatus::fromErrno(errno);
    ::unlinkat(dirFd_, temp.c_str(), 0);
    return status;
  }
  return FileStatus::fromErrno(EEXIST);
}

FileStatus AtomicFile::commit(Flush flush) {
  if (committed_ || (fd_ < 0 && tempName_.empty())) return FileStatus::fromErrno(EBADF);
  auto fail = [this](FileStatus status) {
    discard();
    return status;
  };
  // The permissions the new file gets: those of the file it replaces, else the usual ones.
  struct stat old {};
  const mode_t mode = ::fstatat(dirFd_, name_.c_str(), &old, 0) == 0 && S_ISREG(old.st_mode)
                          ? old.st_mode & 07777
                          : 0666 & ~currentUmask();
  if (tempName_.empty()) {
    // A failed fsync is how a full disk often shows itself: never ignore it.
    if ((flush == Flush::ToDisk && ::fsync(fd_) != 0) || ::fchmod(fd_, mode) != 0)
      return fail(FileStatus::fromErrno(errno));
    const FileStatus placed = place(fd_);
    if (!placed.ok()) return fail(placed);
  } else {
    if (fd_ >= 0) {
      if (flush == Flush::ToDisk && ::fsync(fd_) != 0) return fail(FileStatus::fromErrno(errno));
      const int rc = ::close(fd_);
      fd_ = -1;
      if (rc != 0 && errno != EINTR) return fail(FileStatus::fromErrno(errno));
    }
    // The writer may have replaced the file at the temporary path (libzip does), so flush
    // and set the permissions of whatever is there now.
    const int fd = ::openat(dirFd_, tempName_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return fail(FileStatus::fromErrno(errno));
    struct stat st {};
    int error = 0;
    if (::fstat(fd, &st) != 0) error = errno;
    else if (!S_ISREG(st.st_mode)) error = EINVAL;
    else if (flush == Flush::ToDisk && ::fsync(fd) != 0) error = errno;
    else if (::fchmod(fd, mode) != 0) error = errno;
    ::close(fd);
    if (error != 0) return fail(FileStatus::fromErrno(error));
    const FileStatus placed = place(-1);
    if (!placed.ok()) return fail(placed);
  }
  committed_ = true;
  if (flush == Flush::ToDisk) ::fsync(dirFd_);  // best effort: the file is in place already
  if (fd_ >= 0) ::close(fd_);
  ::close(dirFd_);  // releases the folder's lock
  fd_ = dirFd_ = -1;
  tempName_.clear();
  return {};
}

void AtomicFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  if (!tempName_.empty() && !committed_ && dirFd_ >= 0) ::unlinkat(dirFd_, tempName_.c_str(), 0);
  if (dirFd_ >= 0) ::close(dirFd_);
  fd_ = dirFd_ = -1;
  tempName_.clear();
  tempPath_.clear();
}

FileStatus writeFileAtomically(const QString& target, const QByteArray& bytes) {
  AtomicFile file(target);
  FileStatus status = file.openUnnamed();
  if (status.ok()) status = file.write(bytes);
  if (status.ok()) status = file.commit();
  return status;
}
