#pragma once
// Where font bytes come from: a file read piecewise with pread(), or a buffer in memory (the
// fuzz target and the tests). Every read is checked against the real size before it is made.
#include <cstddef>
#include <cstdint>
#include <string>

namespace truetype {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t size() const = 0;
  // True when [offset, offset + length) lies wholly inside the source.
  bool contains(uint64_t offset, uint64_t length) const {
    const uint64_t n = size();
    return offset <= n && length <= n - offset;
  }
  // Reads exactly length bytes at offset; false (and nothing promised about out) otherwise.
  virtual bool readAt(uint64_t offset, void* out, size_t length) = 0;
};

class MemoryByteSource final : public ByteSource {
 public:
  MemoryByteSource(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  uint64_t size() const override { return size_; }
  bool readAt(uint64_t offset, void* out, size_t length) override;

 private:
  const uint8_t* data_;
  size_t size_;
};

// A regular file opened read-only. Devices, FIFOs and sockets are refused, so a stray FIFO
// named *.ttf can never block the reader.
class FileByteSource final : public ByteSource {
 public:
  FileByteSource() = default;
  ~FileByteSource() override;
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;

  // pathBytes: the file name exactly as the file system spells it.
  bool open(const std::string& pathBytes);
  void close();
  bool isOpen() const { return fd_ >= 0; }
  uint64_t size() const override { return size_; }
  bool readAt(uint64_t offset, void* out, size_t length) override;

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
};

}  // namespace truetype
