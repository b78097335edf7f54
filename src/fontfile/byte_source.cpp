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
  size_ = there_ = file_->size();
  sized_ = true;
  return true;
}

bool FileByteSource::openListed(FileSystem& fs, const QString& path) {
  close();
  file_ = fs.openListedFile(path);
  return file_ != nullptr;
}

void FileByteSource::close() {
  file_.reset();
  size_ = there_ = 0;
  sized_ = false;
  front_.length = 0;
  moving_.length = 0;
}

uint64_t FileByteSource::size() const {
  if (!sized_ && file_) {
    size_ = there_ = file_->size();
    sized_ = true;
  }
  return size_;
}

size_t FileByteSource::readUpTo(uint64_t offset, uint8_t* p, size_t length, size_t need) {
  size_t done = 0;
  // A short read that gave what is needed ends it: before the end of the file it is as good as
  // a whole one, and a small file need not be asked once more to find its end.
  for (bool shortRead = false; done < length && !(shortRead && done >= need);) {
    ++readCalls_;
    const int64_t got = file_->readAt(offset + done, p + done, length - done);
    if (got < 0) return done;
    if (got == 0) {
      // The end of the file, right after bytes that were there: its size, as a status query
      // would tell it now.
      if (done > 0 && !sized_) {
        size_ = there_ = offset + done;
        sized_ = true;
      }
      return done;
    }
    bytesRead_ += static_cast<uint64_t>(got);
    done += static_cast<size_t>(got);
    shortRead = done < length;
  }
  if (!sized_) there_ = std::max(there_, offset + done);
  return done;
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
  // before a long table that a whole window would copy for nothing. Unsized, the read itself
  // tells whether the span is there.
  if (!file_ || length == 0 || length > kWindowBytes || (sized_ && !contains(offset, length))) return;
  for (const Window* w : {&front_, &moving_})
    if (w->length != 0 && offset >= w->at && offset - w->at + length <= w->length) return;
  moving_.length = 0;
  if (readUpTo(offset, moving_.bytes, static_cast<size_t>(length), static_cast<size_t>(length)) != length) return;
  moving_.at = offset;
  moving_.length = static_cast<size_t>(length);
}

bool FileByteSource::readAt(uint64_t offset, void* out, size_t length) {
  if (!file_) return false;
  // Unsized, a window's read tells whether the bytes are there, and often the size too.
  const bool readFirst = !sized_ && length > 0 && length <= kWindowBytes;
  if (!readFirst && !contains(offset, length)) return false;
  if (length == 0) return true;
  for (const Window* w : {&front_, &moving_}) {
    if (w->length != 0 && offset >= w->at && length <= w->length && offset - w->at <= w->length - length) {
      std::memcpy(out, w->bytes + (offset - w->at), length);
      return true;
    }
  }
  auto* p = static_cast<uint8_t*>(out);
  if (length > kWindowBytes) return readFully(offset, p, length);
  Window& w = (offset == 0 || front_.length == 0) ? front_ : moving_;
  w.length = 0;
  if (readFirst) {
    const size_t got = readUpTo(offset, w.bytes, kWindowBytes, length);
    if (got < length) return false;
    w.at = offset;
    w.length = got;
  } else {
    // contains() above guarantees size_ - offset >= length, so the window covers the read.
    const size_t fill = static_cast<size_t>(std::min<uint64_t>(kWindowBytes, size_ - offset));
    if (!readFully(offset, w.bytes, fill)) {
      // The file may have shrunk since it was opened: the bytes asked for may still be there.
      return readFully(offset, p, length);
    }
    w.at = offset;
    w.length = fill;
  }
  std::memcpy(out, w.bytes + 0, length);
  return true;
}

}  // namespace truetype
