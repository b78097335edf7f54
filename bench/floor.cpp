// The floor of a catalogue: walk the folder tree by the directory entries' types (no stat),
// and for every .ttf open it, read the offset table with the table directory in one read and
// the name table in a second, and close it. Single-threaded, nothing decoded beyond finding
// the name table: a one-core listing can be no faster than this.
// With --all-formats the .otf, .ttc and .otc files too; of a collection the header, and each
// face's directory (a read of its own when the first one did not hold it) and name table.
// Usage: typorama_floor [--all-formats] FOLDER...   prints the number of faces read.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <strings.h>
#include <unistd.h>
#include <vector>

namespace {

uint16_t be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

bool readAt(int fd, uint64_t offset, void* out, size_t n) {
  auto* p = static_cast<uint8_t*>(out);
  while (n > 0) {
    const ssize_t got = ::pread(fd, p, n, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got;
    offset += uint64_t(got);
    n -= size_t(got);
  }
  return true;
}

bool allFormats = false;

bool isFontName(const char* name) {
  const size_t n = std::strlen(name);
  if (n < 4) return false;
  const char* ext = name + n - 4;
  return ::strcasecmp(ext, ".ttf") == 0 ||
         (allFormats && (::strcasecmp(ext, ".otf") == 0 || ::strcasecmp(ext, ".ttc") == 0 ||
                         ::strcasecmp(ext, ".otc") == 0));
}

// The name table of the face whose directory starts at `at` of the `n` bytes in `head` (read
// from the file's start); the directory is read anew when they do not hold it. Returns the
// size of the name table read, or 0.
size_t readNameTable(int fd, const uint8_t* head, size_t n, uint32_t at, std::vector<uint8_t>& buffer) {
  uint8_t own[4096];
  if (at + size_t{12} > n) {
    const ssize_t got = ::pread(fd, own, sizeof own, at);
    if (got < 12) return 0;
    head = own;
    n = size_t(got);
    at = 0;
  }
  const size_t numTables = std::min<size_t>(be16(head + at + 4), (n - at - 12) / 16);
  for (size_t i = 0; i < numTables; ++i) {
    const uint8_t* rec = head + at + 12 + i * 16;
    if (std::memcmp(rec, "name", 4) != 0) continue;
    const uint32_t offset = be32(rec + 8), length = be32(rec + 12);
    buffer.resize(length);
    return length > 0 && readAt(fd, offset, buffer.data(), length) ? length : 0;
  }
  return 0;
}

// The offset table and table directory come in one read: 4 KiB holds the 12-byte offset table
// and 255 directory entries, more than any real font has (or a collection's header and, as a
// rule, its directories). Returns the number of faces whose name table was read.
long readFile(const char* path, std::vector<uint8_t>& buffer) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  long faces = 0;
  uint8_t head[4096];
  const ssize_t n = ::pread(fd, head, sizeof head, 0);
  if (n >= 12 && allFormats && std::memcmp(head, "ttcf", 4) == 0) {
    const size_t count = std::min<size_t>({be32(head + 8), 1024, (size_t(n) - 12) / 4});
    for (size_t k = 0; k < count; ++k) faces += readNameTable(fd, head, size_t(n), be32(head + 12 + 4 * k), buffer) > 0;
  } else if (n >= 12) {
    faces += readNameTable(fd, head, size_t(n), 0, buffer) > 0;
  }
  ::close(fd);
  return faces;
}

void walk(const std::string& folder, std::vector<uint8_t>& buffer, long& files) {
  DIR* d = ::opendir(folder.c_str());
  if (!d) return;
  std::vector<std::string> subFolders;
  std::string path = folder + '/';
  while (const dirent* e = ::readdir(d)) {
    if (e->d_name[0] == '.' && (e->d_name[1] == 0 || (e->d_name[1] == '.' && e->d_name[2] == 0))) continue;
    if (e->d_type == DT_DIR) {
      subFolders.push_back(folder + '/' + e->d_name);
    } else if (isFontName(e->d_name)) {
      path.resize(folder.size() + 1);
      path += e->d_name;
      files += readFile(path.c_str(), buffer);
    }
  }
  ::closedir(d);
  for (const std::string& s : subFolders) walk(s, buffer, files);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<uint8_t> buffer;
  long files = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--all-formats") == 0) allFormats = true;
    else walk(argv[i], buffer, files);
  }
  std::printf("%ld\n", files);
  return files > 0 ? 0 : 1;
}
