#pragma once
// Where font bytes come from: a file read piecewise through the file system, or a buffer in
// memory (the fuzz target and the tests). Every read is checked against the real size before it
// is made.
#include "platform/file_system.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace truetype {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t size() const = 0;
  // True when [offset, offset + length) lies wholly inside the source.
  bool contains(uint64_t offset, uint64_t length) const {
    if (length <= there_ && offset <= there_ - length) return true;  // no size needed
    const uint64_t n = size();
    return offset <= n && length <= n - offset;
  }
  // Reads exactly length bytes at offset; false (and nothing promised about out) otherwise.
  virtual bool readAt(uint64_t offset, void* out, size_t length) = 0;
  // The reads that follow lie in [offset, offset + length), as far as the caller knows: a
  // source that reads ahead may read just that span rather than a whole window.
  virtual void willRead(uint64_t /*offset*/, uint64_t /*length*/) {}

 protected:
  // The bytes from the start known to be there (at most the size).
  mutable uint64_t there_ = 0;
};

class MemoryByteSource final : public ByteSource {
 public:
  MemoryByteSource(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {
    there_ = size;
  }
  uint64_t size() const override { return size_; }
  bool readAt(uint64_t offset, void* out, size_t length) override;

 private:
  const uint8_t* data_;
  size_t size_;
};

// A regular file opened read-only (FileSystem::openForReading). Devices, FIFOs and sockets are refused, so a stray FIFO
// named *.ttf can never block the reader. Small reads are served from windows of up to
// kWindowBytes read at once: the tables a font reader wants usually lie in the first few
// kilobytes (offset table, directory, head, OS/2) and in one more span (the name table), so
// a whole parse costs two system calls instead of one per field.
class FileByteSource final : public ByteSource {
 public:
  FileByteSource() = default;
  ~FileByteSource() override;
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;

  bool open(FileSystem& fs, const QString& path);
  // Opens a file its folder's listing showed as regular (FileSystem::openListedFile): its size is
  // learnt from the reads where they reach its end, else asked for only when a check needs it
  // beyond the bytes read, so that a parse usually makes no status query.
  bool openListed(FileSystem& fs, const QString& path);
  void close();
  // The open file's identity as it was opened (a listed one's: as first asked for).
  std::optional<Identity> identity() const { return file_ ? file_->identity() : std::nullopt; }
  uint64_t size() const override;
  bool readAt(uint64_t offset, void* out, size_t length) override;
  void willRead(uint64_t offset, uint64_t length) override;

  static constexpr size_t kWindowBytes = 4096;
  // System reads made so far (for the tests: the windows must really save them).
  int readCalls() const { return readCalls_; }
  uint64_t bytesRead() const { return bytesRead_; }

 private:
  struct Window {
    uint64_t at = 0;
    size_t length = 0;  // 0: holds nothing
    uint8_t bytes[kWindowBytes];
  };
  bool readFully(uint64_t offset, uint8_t* out, size_t length);
  // Reads up to `length` bytes and at least `need` of them where the file has them: fewer only
  // at its end or on an error. An end met after some bytes gives the size.
  size_t readUpTo(uint64_t offset, uint8_t* out, size_t length, size_t need);

  std::unique_ptr<ReadableFile> file_;
  mutable uint64_t size_ = 0;
  mutable bool sized_ = false;  // else there_ holds the bytes known from the reads
  int readCalls_ = 0;
  uint64_t bytesRead_ = 0;
  // The window at the start of the file stays; the other one follows the reads elsewhere.
  Window front_;
  Window moving_;
};

}  // namespace truetype
