// The floor of a catalogue: walk the folder tree by the directory entries' types (no stat),
// and for every .ttf open it, read the offset table with the table directory in one read and
// the name table in a second, and close it. Single-threaded, nothing decoded beyond finding
// the name table: a one-core listing can be no faster than this.
// Usage: typorama_floor FOLDER...   prints the number of files read.
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

bool endsWithTtf(const char* name) {
  const size_t n = std::strlen(name);
  return n >= 4 && ::strcasecmp(name + n - 4, ".ttf") == 0;
}

// The offset table and table directory come in one read: 4 KiB holds the 12-byte offset table
// and 255 directory entries, more than any real font has. Returns the size of the name table
// read, or 0.
size_t readNameTable(const char* path, std::vector<uint8_t>& buffer) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  size_t got = 0;
  uint8_t head[4096];
  const ssize_t n = ::pread(fd, head, sizeof head, 0);
  if (n >= 12) {
    const size_t numTables = std::min<size_t>(be16(head + 4), (size_t(n) - 12) / 16);
    for (size_t i = 0; i < numTables; ++i) {
      const uint8_t* rec = head + 12 + i * 16;
      if (std::memcmp(rec, "name", 4) != 0) continue;
      const uint32_t offset = be32(rec + 8), length = be32(rec + 12);
      buffer.resize(length);
      if (length > 0 && readAt(fd, offset, buffer.data(), length)) got = length;
      break;
    }
  }
  ::close(fd);
  return got;
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
    } else if (endsWithTtf(e->d_name)) {
      path.resize(folder.size() + 1);
      path += e->d_name;
      if (readNameTable(path.c_str(), buffer) > 0) ++files;
    }
  }
  ::closedir(d);
  for (const std::string& s : subFolders) walk(s, buffer, files);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<uint8_t> buffer;
  long files = 0;
  for (int i = 1; i < argc; ++i) walk(argv[i], buffer, files);
  std::printf("%ld\n", files);
  return files > 0 ? 0 : 1;
}
