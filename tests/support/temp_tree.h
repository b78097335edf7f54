#pragma once
// A temporary folder on the real file system, built and removed with system calls on raw bytes:
// Qt's own temporary folder cannot remove names that are not valid UTF-8.
#include "platform/path_codec.h"

#include <QString>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

class TempTree {
 public:
  TempTree() {
    std::error_code error;
    std::string pattern = std::filesystem::temp_directory_path(error).string() + "/typorama-test-XXXXXX";
    if (mkdtemp(pattern.data())) {
      root_ = pattern + "/";
      chmod(root_.c_str(), 0755);  // so that an unprivileged child can walk in
    }
  }
  ~TempTree() {
    if (root_.empty()) return;
    // Folders made unreadable by a test are opened up again first.
    nftw(root_.c_str(), [](const char* p, const struct stat* st, int type, FTW*) {
      if (type == FTW_D || type == FTW_DNR) chmod(p, (st->st_mode & 07777) | 0700);
      return 0;
    }, 16, FTW_PHYS);
    nftw(root_.c_str(), [](const char* p, const struct stat*, int, FTW*) {
      remove(p);
      return 0;
    }, 16, FTW_DEPTH | FTW_PHYS);
  }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  bool valid() const { return !root_.empty(); }
  // The raw path of an entry; "" is the tree itself, ending with "/".
  std::string path(const std::string& relative) const { return root_ + relative; }
  QString q(const std::string& relative) const { return pathFromBytes(path(relative)); }

  bool folder(const std::string& relative, mode_t mode = 0755) const {
    return mkdir(path(relative).c_str(), 0700) == 0 && chmod(path(relative).c_str(), mode) == 0;
  }
  bool file(const std::string& relative, mode_t mode = 0644) const {
    const int fd = open(path(relative).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return false;
    close(fd);
    return chmod(path(relative).c_str(), mode) == 0;
  }
  bool link(const std::string& target, const std::string& relative) const {
    return symlink(target.c_str(), path(relative).c_str()) == 0;
  }

 private:
  std::string root_;
};
