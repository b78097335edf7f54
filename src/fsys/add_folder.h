#pragma once
// AddFolder: finds the folders below the fonts folders and the font files in each of them.
#include "core/services.h"
#include "platform/file_system.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

// A folder's listing: its entries other than sub-folders, and its identity as it was before
// they were read.
struct Listing {
  std::vector<FileEntry> files;
  std::optional<Identity> identity;
};
// The listings of the folders a scan listed in full, by the folder's path ending with "/".
using Listings = QHash<QString, Listing>;

// Every folder whose entries were read, for a caller that keeps its result while none of it
// changes: the scan's and the file searches' alike, whatever came of it.
struct ScanTrace {
  std::vector<std::pair<QString, std::optional<Identity>>> folders;  // identity before reading
  bool otherEntries = false;  // an entry neither a file nor a folder was met (a dangling link, say)
  void add(const QString& folder, const std::optional<Identity>& identity, const std::vector<FileEntry>& files);
};

struct ScanServices {
  FileSystem& fs;
  Yielder& yielder;
  Prompts& prompts;
  // When given, the scan keeps the listing of each folder it lists here, for a search that
  // follows it; with `identities`, each with its folder's identity.
  Listings* listings = nullptr;
  ScanTrace* trace = nullptr;
  bool identities = false;
};

// The names GetFilesInFolder found, shaped like the array the catalogue code walks: names at
// indices 1..n, or a single "" at index 0 when nothing matched. So
// `for (int i = 1; i <= a.ubound(); ++i)` visits exactly the names in both cases.
class FileNameArray {
 public:
  FileNameArray() = default;  // nothing matched
  explicit FileNameArray(std::vector<QString> names) : names_(std::move(names)) {}

  int lbound() const { return names_.empty() ? 0 : 1; }
  int ubound() const { return static_cast<int>(names_.size()); }
  // Throws "Subscript out of range" (9) outside lbound()..ubound().
  const QString& at(int i) const;
  // Number of names found; 0 for the single-"" shape.
  int count() const { return static_cast<int>(names_.size()); }
  const std::vector<QString>& names() const { return names_; }

 private:
  std::vector<QString> names_;
};

// Extends the collection in place with every reachable sub-folder (each ending with "/"),
// level by level, grouped by parent. Folders whose listing is denied or missing (70, 76) are
// removed. A folder reached again through a symbolic link (same device and inode as one
// already collected) is not followed, so link loops end and no font is listed twice.
// Runs under the error trap; yields once per folder and per sub-folder. A folder's attributes
// are read once per scan, though it is checked again at each level it is handed back through.
void GetSubDirectories2016(ScanServices& services, QStringList& collection, bool recurse);

// True when a character of the name is a control character, "?", falls in 127..159 of
// Windows-1252, or cannot be written in Windows-1252 at all.
bool HasInvalidNameChar(const QString& name);

// Bare names of the folder's entries that are not folders, match the pattern (wildcards * and
// ?, any letter case, whole name) and can be opened, in the file system's order.
FileNameArray GetFilesInFolder(FileSystem& fs, const QString& folder, const QString& pattern);

// The folder's entries that are not folders and match the pattern, in the file system's order,
// not yet tested for opening: the catalogue's read opens each file once and lets that open
// answer both. A folder whose listing is in `listings` is taken from there (and dropped)
// instead of being listed again; one listed here is added to `trace`, when given.
std::vector<FileEntry> GetMatchingFiles(FileSystem& fs, const QString& folder, const QString& pattern,
                                        Listings* listings = nullptr, ScanTrace* trace = nullptr);

bool IsOpenableFile(FileSystem& fs, const QString& path);

// Case-insensitive wildcard match of the whole name; "*.ttf;*.otf" matches either pattern.
bool MatchesFilePattern(const QString& name, const QString& pattern);
