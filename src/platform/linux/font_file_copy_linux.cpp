#include "platform/atomic_file.h"
#include "platform/font_system.h"
#include "platform/linux/file_system_linux.h"
#include "platform/path_codec.h"

#include "platform/linux/fc_ptr.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool isDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

FileStatus LinuxFileSystem::createFolderPath(const QString& folder) {
  const std::string path = withoutTrailingSlashes(pathToBytes(folder));
  if (path.empty()) return FileStatus::fromErrno(ENOENT);
  if (isDirectory(path)) return {};
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') continue;
    const std::string part = path.substr(0, i);
    if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return FileStatus::fromErrno(errno);
  }
  // EEXIST also covers a regular file standing where a folder should be.
  return isDirectory(path) ? FileStatus{} : FileStatus::fromErrno(ENOTDIR);
}

CheckedCopy LinuxFileSystem::copyFileChecked(const QString& source, const QString& target,
                                             const std::function<bool(const QString& tempPath)>& accept) {
  CheckedCopy result;
  auto sourceFailure = [&](FileStatus status) {
    result.status = std::move(status);
    result.sourceFailed = true;
    return result;
  };
  // Non-blocking, so that a FIFO given as the source cannot hang the program.
  const int in = ::open(pathToBytes(source).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (in < 0) return sourceFailure(FileStatus::fromErrno(errno));
  struct stat st {};
  if (::fstat(in, &st) != 0) {
    const int error = errno;
    ::close(in);
    return sourceFailure(FileStatus::fromErrno(error));
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(in);
    if (S_ISDIR(st.st_mode)) return sourceFailure(FileStatus::fromErrno(EISDIR));
    return sourceFailure({EINVAL, QStringLiteral("Not a regular file")});
  }
  ::fcntl(in, F_SETFL, ::fcntl(in, F_GETFL) & ~O_NONBLOCK);

  // A link of that name in the fonts folder is replaced, never written through: the copy stays
  // inside the folder. Discards the temporary file on every early return.
  AtomicFile file(target, Placement::ReplaceEntry);
  result.status = file.openUnnamed();
  std::vector<char> buffer(1 << 16);
  while (result.status.ok()) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      result.status = FileStatus::fromErrno(errno);
      result.sourceFailed = true;
    } else if (n == 0) {
      break;
    } else {
      result.status = file.write(buffer.data(), static_cast<size_t>(n));
    }
  }
  ::close(in);
  if (!result.status.ok()) return result;
  if (accept && !accept(file.tempPath())) {
    file.discard();
    result.rejected = true;
    return result;
  }
  result.status = file.commit();
  return result;
}

bool fontFileHasFaces(const QString& path) {
  const std::string bytes = pathToBytes(path);
  struct stat st {};
  if (::stat(bytes.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const fc::FontSet set(FcFontSetCreate());
  return set && FcFreeTypeQueryAll(reinterpret_cast<const FcChar8*>(bytes.c_str()), static_cast<unsigned>(-1),
                                   nullptr, nullptr, set.get()) > 0;
}
