#include "platform/atomic_file.h"

#include "platform/path_codec.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

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

// The permissions the new file gets: those of the file it replaces, else the usual ones.
mode_t modeFor(const std::string& target) {
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
  return 0666 & ~currentUmask();
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

void syncFolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);  // best effort: the rename is already done
    ::close(fd);
  }
}

}  // namespace

FileStatus FileStatus::fromErrno(int error) {
  return {error, QString::fromLocal8Bit(std::strerror(error))};
}

AtomicFile::AtomicFile(QString targetPath) : targetPath_(std::move(targetPath)) {}

AtomicFile::~AtomicFile() {
  if (!committed_) discard();
}

FileStatus AtomicFile::open() {
  if (fd_ >= 0 || !tempPath_.isEmpty()) return {EBUSY, QStringLiteral("The file is already open")};
  const std::string target = pathToBytes(targetPath_);
  if (target.empty()) return FileStatus::fromErrno(ENOENT);
  if (target.back() == '/') return FileStatus::fromErrno(EISDIR);
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return FileStatus::fromErrno(EISDIR);

  const auto slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  // Keep the temporary name within the 255-byte limit of a file name.
  if (base.size() > 200) base.resize(200);
  std::string pattern = dir + "." + base + ".XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const int fd = ::mkostemp(buf.data(), O_CLOEXEC);
  if (fd < 0) return FileStatus::fromErrno(errno);
  fd_ = fd;
  tempPath_ = pathFromBytes(std::string_view(buf.data(), pattern.size()));
  return {};
}

FileStatus AtomicFile::write(const void* data, size_t size) {
  if (fd_ < 0) return FileStatus::fromErrno(EBADF);
  return writeAll(fd_, static_cast<const char*>(data), size);
}

FileStatus AtomicFile::commit() {
  if (tempPath_.isEmpty() || committed_) return FileStatus::fromErrno(EBADF);
  const std::string temp = pathToBytes(tempPath_);
  const std::string target = pathToBytes(targetPath_);
  auto fail = [this](int error) {
    const FileStatus status = FileStatus::fromErrno(error);
    discard();
    return status;
  };
  if (fd_ >= 0) {
    // A failed fsync or close is how a full disk often shows itself: never ignore it.
    if (::fsync(fd_) != 0) return fail(errno);
    const int rc = ::close(fd_);
    fd_ = -1;
    if (rc != 0 && errno != EINTR) return fail(errno);
  }
  // The writer may have replaced the file at the temporary path (libzip does), so flush
  // and set the permissions of whatever is there now.
  const int fd = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return fail(errno);
  struct stat st {};
  int error = 0;
  if (::fstat(fd, &st) != 0) error = errno;
  else if (!S_ISREG(st.st_mode)) error = EINVAL;
  else if (::fsync(fd) != 0) error = errno;
  else if (::fchmod(fd, modeFor(target)) != 0) error = errno;
  ::close(fd);
  if (error != 0) return fail(error);
  if (::rename(temp.c_str(), target.c_str()) != 0) return fail(errno);
  committed_ = true;
  syncFolderOf(target);
  return {};
}

void AtomicFile::discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!tempPath_.isEmpty() && !committed_) ::unlink(pathToBytes(tempPath_).c_str());
  tempPath_.clear();
}

FileStatus writeFileAtomically(const QString& target, const QByteArray& bytes) {
  AtomicFile file(target);
  FileStatus status = file.open();
  if (status.ok()) status = file.write(bytes);
  if (status.ok()) status = file.commit();
  return status;
}

FileStatus copyFileAtomically(const QString& source, const QString& target) {
  const int in = ::open(pathToBytes(source).c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return FileStatus::fromErrno(errno);
  AtomicFile file(target);
  FileStatus status = file.open();
  std::vector<char> buf(1 << 16);
  while (status.ok()) {
    const ssize_t n = ::read(in, buf.data(), buf.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      status = FileStatus::fromErrno(errno);
    } else if (n == 0) {
      break;
    } else {
      status = file.write(buf.data(), static_cast<size_t>(n));
    }
  }
  ::close(in);
  if (status.ok()) status = file.commit();
  return status;
}
