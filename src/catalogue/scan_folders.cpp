#include "catalogue/scan_folders.h"

#include "fsys/mod_fonts.h"

namespace {
bool isBelow(const QString& folder, const QString& root) {
  return folder != root && folder.startsWith(root);
}
}  // namespace

QStringList catalogueRoots(AppServices& services) {
  QStringList roots;
  const auto addRoot = [&](const QString& folder) {
    for (const QString& root : roots)
      if (folder == root || isBelow(folder, root)) return;
    roots.removeIf([&](const QString& root) { return isBelow(root, folder); });
    roots.append(folder);
  };
  const QString fontsFolder = GetFontsFolder(services.fonts);
  if (!fontsFolder.isEmpty()) roots.append(fontsFolder);
  for (const QString& folder : services.fonts.otherFontFolders()) addRoot(folder);
  return roots;
}

void FolderScan::run(AppServices& services, bool recheck, const std::optional<TimeStamp>& stamp) {
  folders_ = catalogueRoots(services);
  ScanServices scan{services.fs, services.yielder, services.prompts, &listings_, trace_, recheck};
  GetSubDirectories2016(scan, folders_, true);
  if (!recheck) return;
  listings_.removeIf([&](Listings::iterator it) {
    const std::optional<Identity>& then = it->identity;
    return !stamp || !then || !isSettled(*then, *stamp) || services.fs.identity(it.key()) != then;
  });
}

QString FolderScan::folder(qsizetype k) const {
  const QString& entry = folders_.at(k);
  return entry.endsWith(QLatin1Char('/')) ? entry.chopped(1) : entry;
}

std::vector<FileEntry> FolderScan::files(FileSystem& fs, qsizetype k, const QString& pattern) {
  return GetMatchingFiles(fs, folder(k), pattern, &listings_, trace_);
}

size_t FolderScan::listedFiles() const {
  size_t count = 0;
  for (const Listing& listing : listings_) count += listing.files.size();
  return count;
}
