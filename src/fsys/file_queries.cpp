#include "fsys/file_queries.h"

bool FileExists(FileSystem& fs, const QString& path) {
  return !path.isEmpty() && fs.lastModified(path).has_value();
}

void DeleteFileQuietly(FileSystem& fs, Yielder& yielder, const QString& path) {
  yielder.yield();
  if (!path.isEmpty()) fs.removeFile(path);
}

std::optional<bool> IsFolder(FileSystem& fs, const QString& path) {
  const auto attributes = fs.attributes(path);
  if (!attributes) return std::nullopt;
  return (*attributes & fileattr::Directory) != 0;
}
