#include "fsys/add_folder.h"

#include "core/error_trap.h"
#include "fontfile/windows_1252.h"
#include "core/runtime_error.h"

#include <algorithm>
#include <optional>
#include <set>
#include <utility>

namespace {

const QString kLocationText =
    QStringLiteral("in OrvandelTitle2021/08/31.AddFolder.GetSubDirectories2016 ");

// Paths of this many characters or more are not walked.
constexpr qsizetype kMaxPath = 260;
// Hidden system folders, with and without the link bit. Compared as whole values: a folder
// with any further bit (read-only, say) is walked.
constexpr uint32_t kHiddenSystemFolder = 22;
constexpr uint32_t kHiddenSystemLink = 1046;

using SeenFolders = std::set<std::pair<uint64_t, uint64_t>>;

// One scan: the folders met, by identity, and the attributes of each folder as first read, by
// its parent's listing for all but the roots (a folder is checked in its turn and again at each
// level it is handed back through). The read-only bit costs a permission test of its own and is
// left out: only a folder whose other bits make one of the two values needs it.
struct Scan {
  ScanServices& s;
  SeenFolders seen;
  QHash<QString, std::optional<uint32_t>> attributes;

  std::optional<uint32_t> attributesOf(const QString& folder) {
    auto it = attributes.constFind(folder);
    if (it == attributes.cend()) it = attributes.insert(folder, s.fs.attributes(folder, ~fileattr::ReadOnly));
    return *it;
  }
  bool isFolder(const QString& folder) {
    const auto a = attributesOf(folder);
    return a && (*a & fileattr::Directory);
  }
  // A root folder, or one whose attribute value is neither of the two.
  bool mayEnter(const QString& folder) {
    const auto a = attributesOf(folder);
    if (a && *a != kHiddenSystemFolder && *a != kHiddenSystemLink) return true;
    if (s.fs.isRootFolder(folder)) return true;
    if (!a) return false;
    const auto all = s.fs.attributes(folder);  // the read-only bit decides
    return all && *all != kHiddenSystemFolder && *all != kHiddenSystemLink;
  }
};

bool isKeptName(const QString& name) {
  return name.size() < kMaxPath && !HasInvalidNameChar(name) && !name.contains(QLatin1Char('?')) &&
         name != QLatin1String(".") && name != QLatin1String("..");
}

// Records the folder's identity; false when it was met before (a link back into the tree,
// or a second link to the same folder).
bool isFirstVisit(const std::optional<Identity>& id, SeenFolders& seen) {
  if (!id) return true;  // nothing to compare; keep it
  return seen.insert({id->device, id->inode}).second;
}

QString withSlash(const QString& folder) {
  return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString joinFolder(const QString& parent, const QString& name) {
  // The loaders pass folders ending with "/"; one without it still gets a sound path.
  return withSlash(parent) + name + QLatin1Char('/');
}

// Lists the folder's sub-folders, keeping its listing and tracing it where asked.
int listFolder(ScanServices& s, const QString& folder, std::vector<SubFolder>& subFolders) {
  Listing listing;
  const bool kept = s.listings || s.trace, identity = s.identities || s.trace;
  const int error =
      s.fs.listFolder(folder, subFolders, kept ? &listing.files : nullptr, identity ? &listing.identity : nullptr);
  if (s.trace) s.trace->add(folder, listing.identity, listing.files);
  if (s.listings && error == 0) s.listings->insert(withSlash(folder), std::move(listing));
  return error;
}

void scanLevel(Scan& scan, QStringList& collection, bool recurse) {
  ScanServices& s = scan.s;
  ErrorTrap trap = ErrorTrap::withLocationText(s.prompts, kLocationText);
  // The next level's folders; the recursion appends the deeper levels to it.
  QStringList found;

  for (qsizetype i = 0; i < collection.size(); ++i) {
    QString v;
    bool walk = false;
    int error = 0;
    std::vector<SubFolder> subFolders;
    // A statement that fails leaves `walk` false, so the entry is skipped, never listed blind.
    trap(100, [&] { v = collection.at(i); });
    trap(102, [&] { walk = scan.isFolder(v); });
    if (!walk) continue;
    trap(104, [&] { walk = v.size() < kMaxPath; });
    if (!walk) continue;
    trap(106, [&] { s.yielder.yield(); });
    trap(108, [&] { walk = scan.mayEnter(v); });
    if (!walk) continue;
    trap(110, [&] { error = listFolder(s, v, subFolders); });
    for (const SubFolder& sub : subFolders) {
      trap(112, [&] { s.yielder.yield(); });
      trap(114, [&] {
        if (!isKeptName(sub.name) || !isFirstVisit(sub.identity, scan.seen)) return;
        const QString path = joinFolder(v, sub.name);
        scan.attributes.insert(path, sub.attributes);
        found.append(path);
      });
    }
    // Tested only on a failure: each error object made costs a description and its copy.
    if (error != 0 && (error == errors::permissionDenied().number || error == errors::pathNotFound().number)) {
      trap(116, [&] {
        const qsizetype at = collection.indexOf(v);
        if (at < 0) return;
        collection.removeAt(at);
        if (at <= i) --i;  // the entry after the removed one is visited next
      });
    }
  }

  if (recurse && !found.isEmpty()) trap(118, [&] { scanLevel(scan, found, true); });

  for (const QString& w : found) {
    bool add = false;
    trap(120, [&] { add = scan.isFolder(w); });
    if (!add) continue;
    trap(122, [&] { s.yielder.yield(); });
    trap(124, [&] { add = scan.mayEnter(w); });
    if (add) trap(126, [&] { collection.append(w); });
  }
}

}  // namespace

const QString& FileNameArray::at(int i) const {
  static const QString kEmpty;
  if (names_.empty() && i == 0) return kEmpty;
  if (i < 1 || i > ubound()) throw errors::subscriptOutOfRange();
  return names_[static_cast<size_t>(i - 1)];
}

void GetSubDirectories2016(ScanServices& services, QStringList& collection, bool recurse) {
  // The folders already collected count as visited, so a link back to any of them (or a
  // second root that lies inside the first) is not walked again.
  Scan scan{services, {}, {}};
  for (const QString& entry : collection) {
    if (const auto id = services.fs.identity(entry)) scan.seen.insert({id->device, id->inode});
  }
  scanLevel(scan, collection, recurse);
}

bool HasInvalidNameChar(const QString& name) {
  for (const QChar ch : name) {
    // A byte that is not UTF-8, carried as U+DC80..U+DCFF (platform/path_codec.h): it stands
    // for no character, so for no invalid one either.
    if (ch.unicode() >= 0xDC80 && ch.unicode() <= 0xDCFF) continue;
    // -1: the code page lacks the character, which would turn into "?" there.
    const int code = truetype::unicodeToWindows1252(ch.unicode());
    if ((code >= 127 && code <= 159) || code < 32 || code == 63) return true;
  }
  return false;
}

bool MatchesFilePattern(const QString& name, const QString& pattern) {
  // "*.ttf;*.otf": any one of the patterns.
  if (const qsizetype semicolon = pattern.indexOf(QLatin1Char(';')); semicolon >= 0)
    return MatchesFilePattern(name, pattern.left(semicolon)) || MatchesFilePattern(name, pattern.mid(semicolon + 1));
  const auto same = [](QChar a, QChar b) { return a == b || a.toCaseFolded() == b.toCaseFolded(); };
  // "*" and a literal tail (the "*.ttf" of every fill): the name matches exactly when it ends
  // with the tail, so only the tail's characters are compared, not every starting point.
  if (pattern.startsWith(QLatin1Char('*'))) {
    const QStringView tail = QStringView(pattern).sliced(1);
    if (!tail.contains(QLatin1Char('*')) && !tail.contains(QLatin1Char('?'))) {
      if (name.size() < tail.size()) return false;
      const QStringView end = QStringView(name).last(tail.size());
      for (qsizetype k = 0; k < tail.size(); ++k)
        if (!same(end[k], tail[k])) return false;
      return true;
    }
  }
  // Iterative matcher: on a mismatch, let the last "*" swallow one more character.
  qsizetype n = 0, p = 0, starP = -1, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || same(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (starP >= 0) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == QLatin1Char('*')) ++p;
  return p == pattern.size();
}

void ScanTrace::add(const QString& folder, const std::optional<Identity>& identity, const std::vector<FileEntry>& files) {
  folders.emplace_back(folder, identity);
  otherEntries = otherEntries || std::any_of(files.begin(), files.end(), [](const FileEntry& e) { return !e.regular; });
}

std::vector<FileEntry> GetMatchingFiles(FileSystem& fs, const QString& folder, const QString& pattern,
                                        Listings* listings, ScanTrace* trace) {
  const QString dir = withSlash(folder);
  std::vector<FileEntry> entries;
  if (listings && listings->contains(dir)) {
    entries = listings->take(dir).files;
  } else {
    std::optional<Identity> identity;
    fs.listFileEntries(dir, entries, trace ? &identity : nullptr);  // an unreadable folder simply has no files
    if (trace) trace->add(dir, identity, entries);
  }
  std::erase_if(entries, [&](const FileEntry& e) { return !MatchesFilePattern(e.name, pattern); });
  return entries;
}

FileNameArray GetFilesInFolder(FileSystem& fs, const QString& folder, const QString& pattern) {
  const QString dir = withSlash(folder);
  std::vector<QString> names;
  for (FileEntry& e : GetMatchingFiles(fs, dir, pattern))
    if (IsOpenableFile(fs, dir + e.name)) names.push_back(std::move(e.name));
  return FileNameArray(std::move(names));
}

bool IsOpenableFile(FileSystem& fs, const QString& path) {
  return !path.isEmpty() && fs.canOpen(path);
}
