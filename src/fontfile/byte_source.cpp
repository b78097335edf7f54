#include "fontfile/byte_source.h"

#include <algorithm>
#include <cstring>

namespace truetype {

bool MemoryByteSource::readAt(uint64_t offset, void* out, size_t length) {
  if (!contains(offset, length)) return false;
  if (length != 0) std::memcpy(out, data_ + offset, length);
  return true;
}

FileByteSource::~FileByteSource() { close(); }

bool FileByteSource::open(FileSystem& fs, const QString& path) {
  close();
  file_ = fs.openForReading(path);
  if (!file_) return false;
  size_ = file_->size();
  return true;
}

void FileByteSource::close() {
  file_.reset();
  size_ = 0;
  front_.length = 0;
  moving_.length = 0;
}

bool FileByteSource::readFully(uint64_t offset, uint8_t* p, size_t length) {
  while (length > 0) {
    ++readCalls_;
    const int64_t got = file_->readAt(offset, p, length);
    if (got <= 0) return false;  // the file shrank under us, or an I/O error
    bytesRead_ += static_cast<uint64_t>(got);
    p += got;
    offset += static_cast<uint64_t>(got);
    length -= static_cast<size_t>(got);
  }
  return true;
}

void FileByteSource::willRead(uint64_t offset, uint64_t length) {
  // A span that fits a window and is not in one yet is read exactly: a name table often sits
  // before a long table that a whole window would copy for nothing.
  if (!file_ || length == 0 || length > kWindowBytes || !contains(offset, length)) return;
  for (const Window* w : {&front_, &moving_})
    if (w->length != 0 && offset >= w->at && offset - w->at + length <= w->length) return;
  moving_.length = 0;
  if (!readFully(offset, moving_.bytes, static_cast<size_t>(length))) return;
  moving_.at = offset;
  moving_.length = static_cast<size_t>(length);
}

bool FileByteSource::readAt(uint64_t offset, void* out, size_t length) {
  if (!file_ || !contains(offset, length)) return false;
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

}  // namespace truetype
