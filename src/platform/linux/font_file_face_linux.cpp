#include "platform/font_file_face.h"

#include "platform/path_codec.h"

#include <QByteArray>
#include <fontconfig/fontconfig.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Qt asks fontconfig how to render a face read from memory by matching the face's family against
// every installed face: milliseconds per face with thousands installed, for every row drawn.
// The face is drawn from its own file whatever that match finds, so the match runs against an
// empty configuration instead, and the sample gets the font engine's default rendering
// (greyscale antialiasing).
class WithoutInstalledFaces {
 public:
  WithoutInstalledFaces() : saved_(FcConfigReference(nullptr)) {
    FcConfig* empty = saved_ ? FcConfigCreate() : nullptr;
    if (!empty) return;
    FcConfigSetCurrent(empty);
    FcConfigDestroy(empty);  // held by being current
  }
  ~WithoutInstalledFaces() {
    if (!saved_) return;
    FcConfigSetCurrent(saved_);  // lets go of the empty one
    FcConfigDestroy(saved_);
  }
  WithoutInstalledFaces(const WithoutInstalledFaces&) = delete;
  WithoutInstalledFaces& operator=(const WithoutInstalledFaces&) = delete;

 private:
  FcConfig* saved_;
};

}  // namespace

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
  {
    const WithoutInstalledFaces quickly;
    face->font_.loadFromData(bytes, pixelSize, QFont::PreferDefaultHinting);
  }
  if (!face->font_.isValid()) return nullptr;
  return face;
}

FontFileFace::~FontFileFace() {
  font_ = QRawFont();  // the engine lets go of the bytes before they are unmapped
  ::munmap(map_, length_);
}
