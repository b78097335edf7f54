#include "platform/font_file_face.h"

#include "platform/path_codec.h"

#include <QByteArray>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

std::unique_ptr<FontFileFace> FontFileFace::load(const QString& path, qreal pixelSize) {
  const int fd = ::open(pathToBytes(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat st {};
  void* map = MAP_FAILED;
  size_t length = 0;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && isPlausibleFontFileSize(uint64_t(st.st_size))) {
    length = size_t(st.st_size);
    map = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
  }
  ::close(fd);  // the mapping keeps the file
  if (map == MAP_FAILED) return nullptr;
  std::unique_ptr<FontFileFace> face(new FontFileFace(map, length));
  // Raw data: the font engine reads the mapped pages in place and never copies them.
  const QByteArray bytes = QByteArray::fromRawData(static_cast<const char*>(map), qsizetype(length));
  face->font_.loadFromData(bytes, pixelSize, QFont::PreferDefaultHinting);
  if (!face->font_.isValid()) return nullptr;
  return face;
}

FontFileFace::~FontFileFace() {
  font_ = QRawFont();  // the engine lets go of the bytes before they are unmapped
  ::munmap(map_, length_);
}
