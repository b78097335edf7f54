#include "fontfile/byte_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace truetype {

bool MemoryByteSource::readAt(uint64_t offset, void* out, size_t length) {
  if (!contains(offset, length)) return false;
  if (length != 0) std::memcpy(out, data_ + offset, length);
  return true;
}

FileByteSource::~FileByteSource() { close(); }

static_assert(FileByteSource::kCurrentFolder == AT_FDCWD);

bool FileByteSource::open(const std::string& pathBytes, int folderFd) {
  close();
  // O_NONBLOCK only matters for the FIFO case, which fstat() then refuses.
  const int fd = ::openat(folderFd, pathBytes.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  size_ = static_cast<uint64_t>(st.st_size);
  return true;
}

void FileByteSource::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = 0;
  front_.length = 0;
  moving_.length = 0;
}

bool FileByteSource::readFully(uint64_t offset, uint8_t* p, size_t length) {
  while (length > 0) {
    ++readCalls_;
    const ssize_t got = ::pread(fd_, p, length, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;  // the file shrank under us, or an I/O error
    p += got;
    offset += static_cast<uint64_t>(got);
    length -= static_cast<size_t>(got);
  }
  return true;
}

bool FileByteSource::readAt(uint64_t offset, void* out, size_t length) {
  if (fd_ < 0 || !contains(offset, length)) return false;
  if (length == 0) return true;
  for (const Window* w : {&front_, &moving_}) {
    if (w->length != 0 && offset >= w->at && length <= w->length && offset - w->at <= w->length - length) {
      std::memcpy(out, w->bytes + (offset - w->at), length);
      return true;
    }
  }
  auto* p = static_cast<uint8_t*>(out);
  if (length > kWindowBytes) return readFully(offset, p, length);
  // contains() above guarantees size_ - offset >= length, so the window covers the read.
  Window& w = (offset == 0 || front_.length == 0) ? front_ : moving_;
  const size_t fill = static_cast<size_t>(std::min<uint64_t>(kWindowBytes, size_ - offset));
  w.length = 0;
  if (!readFully(offset, w.bytes, fill)) {
    // The file may have shrunk since it was opened: the bytes asked for may still be there.
    return readFully(offset, p, length);
  }
  w.at = offset;
  w.length = fill;
  std::memcpy(out, w.bytes + 0, length);
  return true;
}

FolderHandle::FolderHandle(const std::string& pathBytes)
    : fd_(::open(pathBytes.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)) {
  if (fd_ < 0) fd_ = FileByteSource::kCurrentFolder;
}

FolderHandle::~FolderHandle() {
  if (isOpen()) ::close(fd_);
}

}  // namespace truetype
