#include "fontfile/byte_source.h"

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

bool FileByteSource::open(const std::string& pathBytes) {
  close();
  // O_NONBLOCK only matters for the FIFO case, which fstat() then refuses.
  const int fd = ::open(pathBytes.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
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
}

bool FileByteSource::readAt(uint64_t offset, void* out, size_t length) {
  if (fd_ < 0 || !contains(offset, length)) return false;
  auto* p = static_cast<uint8_t*>(out);
  while (length > 0) {
    const ssize_t got = ::pread(fd_, p, length, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;  // the file shrank under us, or an I/O error
    p += got;
    offset += static_cast<uint64_t>(got);
    length -= static_cast<size_t>(got);
  }
  return true;
}

}  // namespace truetype
