#include "platform/font_file_face.h"

#include "platform/path_codec.h"

#include <QByteArray>
#include <fontconfig/fontconfig.h>

#include <cstring>
#include <map>
#include <optional>

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

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

struct Span {
  size_t at, length;
};

// Where face `face` (from 1) of a collection keeps its offset table and table directory. The
// font engine reads the first face of a collection only; so the later face's directory is
// copied to the file's start, which makes the file that face. Nothing when the file has no such
// face, or when the copy would overwrite a table of that face.
std::optional<Span> laterFaceDirectory(const uint8_t* p, size_t length, uint32_t face) {
  if (length < 12 || std::memcmp(p, "ttcf", 4) != 0 || face >= be32(p + 8)) return std::nullopt;
  const uint64_t entry = 12 + 4 * uint64_t{face};
  if (entry + 4 > length) return std::nullopt;
  const uint64_t at = be32(p + entry);
  if (at + 12 > length) return std::nullopt;
  const uint64_t bytes = 12 + 16 * uint64_t((p[at + 4] << 8) | p[at + 5]);
  if (bytes > length - at) return std::nullopt;
  for (uint64_t e = at + 12; e < at + bytes; e += 16)
    if (be32(p + e + 8) < bytes) return std::nullopt;
  return Span{size_t(at), size_t(bytes)};
}

}  // namespace

std::shared_ptr<FontFileFace> FontFileFace::load(const QString& path, qreal pixelSize, uint32_t faceIndex) {
  // The faces alive, by file; never destroyed, so a face may outlive static destruction.
  static auto* loaded = new std::map<Key, std::weak_ptr<FontFileFace>>;
  const int fd = ::open(pathToBytes(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !isPlausibleFontFileSize(uint64_t(st.st_size))) {
    ::close(fd);
    return nullptr;
  }
  const Key key{uint64_t(st.st_dev), uint64_t(st.st_ino),
                int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, pixelSize, faceIndex};
  if (const auto it = loaded->find(key); it != loaded->end()) {
    if (auto shared = it->second.lock()) {
      ::close(fd);
      return shared;
    }
  }
  const size_t length = size_t(st.st_size);
  // A later face writes its directory over the start of a private mapping: only the pages
  // written are copied, the file is never changed.
  void* map = ::mmap(nullptr, length, faceIndex > 0 ? PROT_READ | PROT_WRITE : PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);  // the mapping keeps the file
  if (map == MAP_FAILED) return nullptr;
  if (faceIndex > 0) {
    const auto directory = laterFaceDirectory(static_cast<const uint8_t*>(map), length, faceIndex);
    if (!directory) {
      ::munmap(map, length);
      return nullptr;
    }
    std::memmove(map, static_cast<uint8_t*>(map) + directory->at, directory->length);
    ::mprotect(map, length, PROT_READ);
  }
  std::shared_ptr<FontFileFace> face(new FontFileFace(key, map, length), [](FontFileFace* f) {
    if (const auto it = loaded->find(f->key_); it != loaded->end() && it->second.expired()) loaded->erase(it);
    delete f;
  });
  // Raw data: the font engine reads the mapped pages in place and never copies them.
  const QByteArray bytes = QByteArray::fromRawData(static_cast<const char*>(map), qsizetype(length));
  {
    const WithoutInstalledFaces quickly;
    // Slight hinting, the usual desktop setting, which the empty configuration cannot give.
    face->font_.loadFromData(bytes, pixelSize, QFont::PreferVerticalHinting);
  }
  if (!face->font_.isValid()) return nullptr;
  (*loaded)[key] = face;
  return face;
}

FontFileFace::~FontFileFace() {
  font_ = QRawFont();  // the engine lets go of the bytes before they are unmapped
  ::munmap(map_, length_);
}
