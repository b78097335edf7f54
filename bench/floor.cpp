// The floor of a catalogue: walk the folder tree and, for every .ttf, open it, read the
// offset table, the table directory and the name table, and close it. Nothing is decoded
// beyond finding the name table, so a listing can be no faster than this.
// Usage: typorama_floor FOLDER...   prints the number of files read.
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

// Returns the size of the name table read, or 0.
size_t readNameTable(const char* path, std::vector<uint8_t>& buffer) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  size_t got = 0;
  uint8_t head[12];
  if (readAt(fd, 0, head, sizeof head)) {
    const uint16_t numTables = be16(head + 4);
    std::vector<uint8_t> dir(size_t(numTables) * 16);
    if (numTables > 0 && readAt(fd, 12, dir.data(), dir.size())) {
      for (uint16_t i = 0; i < numTables; ++i) {
        const uint8_t* rec = dir.data() + size_t(i) * 16;
        if (std::memcmp(rec, "name", 4) != 0) continue;
        const uint32_t offset = be32(rec + 8), length = be32(rec + 12);
        buffer.resize(length);
        if (length > 0 && readAt(fd, offset, buffer.data(), length)) got = length;
        break;
      }
    }
  }
  ::close(fd);
  return got;
}

void walk(const std::string& folder, std::vector<uint8_t>& buffer, long& files) {
  DIR* d = ::opendir(folder.c_str());
  if (!d) return;
  std::vector<std::string> subFolders;
  while (const dirent* e = ::readdir(d)) {
    if (e->d_name[0] == '.' && (e->d_name[1] == 0 || (e->d_name[1] == '.' && e->d_name[2] == 0))) continue;
    const std::string path = folder + '/' + e->d_name;
    if (e->d_type == DT_DIR) {
      subFolders.push_back(path);
    } else if (endsWithTtf(e->d_name) && readNameTable(path.c_str(), buffer) > 0) {
      ++files;
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
