#include "catalogue/cached_listing.h"

#include "core/list_escape.h"
#include "platform/path_codec.h"

#include <algorithm>
#include <future>
#include <span>
#include <optional>

QByteArray listingKey(int formats, const QStringList& roots) {
  QByteArray key = QByteArray::number(formats);
  for (const QString& root : roots) key += '\0' + root.toUtf8();
  return key;
}

namespace {
// Checks the entries [begin, end) of the listing's folders and then the records' files, in
// chunks that grow from a few to a thousand, until one fails or `changed` is set: a stale cache
// mostly fails at its first file, and the paths of the rest are then never even narrowed.
bool entriesHold(FileSystem& fs, const CachedListing& listing, const CachedFiles& files, size_t begin, size_t end,
                 std::atomic<bool>& changed) {
  const size_t folders = listing.folders.size();
  std::string bytes;  // each path's bytes, ending with a zero byte, one after another
  std::vector<size_t> starts;
  std::vector<std::optional<FileIdentity>> identities;
  std::vector<FileSystem::IdentityCheck> checks;
  for (size_t at = begin, chunk = 16; at < end; at += chunk, chunk = std::min<size_t>(chunk * 4, 1024)) {
    if (changed.load(std::memory_order_relaxed)) return false;
    const size_t last = std::min(end, at + chunk);
    bytes.clear();
    starts.clear();
    identities.clear();
    checks.clear();
    for (size_t k = at; k < last; ++k) {
      starts.push_back(bytes.size());
      appendPathBytes(bytes, k < folders ? listing.folders[k].first : files.files[k - folders].first);
      bytes += '\0';
      if (k >= folders) identities.emplace_back(files.files[k - folders].second.identity);
    }
    for (size_t k = at, file = 0; k < last; ++k)
      checks.push_back({bytes.data() + starts[k - at], k < folders ? &listing.folders[k].second : &identities[file++]});
    if (!fs.identitiesHold(checks)) {
      changed = true;
      return false;
    }
  }
  return true;
}
}  // namespace

bool listingHolds(FileSystem& fs, const CachedListing& listing, const CachedFiles& files, std::atomic<bool>& changed) {
  // Folders first, as a change is most often a file added to one. Half of them on a second
  // thread: the system looks up paths on both cores at once.
  const size_t all = listing.folders.size() + files.files.size(), half = all / 2;
  auto later = std::async(std::launch::async | std::launch::deferred,
                          [&] { return entriesHold(fs, listing, files, half, all, changed); });
  const bool first = entriesHold(fs, listing, files, 0, half, changed);
  return later.get() && first;
}

void appendListRow(std::string& rows, int number, QStringView name, const FontFacts& f, std::string_view path,
                   std::optional<uint32_t> face) {
  thread_local std::string bytes;  // a field's bytes before they are escaped
  const auto bit = [](bool b) { return b ? '1' : '0'; };
  rows += std::to_string(number);
  rows += '\t';
  bytes.clear();
  // Plain ASCII is its own UTF-8, narrowed as a path is.
  if (std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; }))
    appendPathBytes(bytes, name);
  else
    bytes = name.toUtf8().toStdString();
  appendEscapedListField(rows, bytes);
  rows += {'\t', bit(f.bold), '\t', bit(f.italic), '\t', bit(f.underlined), '\t', bit(f.strikeOut), '\t'};
  appendEscapedListField(rows, path);
  if (face) {
    rows += '\t';
    rows += std::to_string(*face);
  }
  rows += '\n';
}

std::string listingText(const CachedListing& listing, const CachedFiles& files, bool faceField,
                        const std::atomic<bool>& stop) {
  std::string rows, path;
  rows.reserve(listing.rows.size() * 128);
  for (size_t i = 0; i < listing.rows.size(); ++i) {
    if (i % 256 == 0 && stop.load(std::memory_order_relaxed)) return {};
    const auto [file, face] = listing.rows[i];
    const auto& [filePath, record] = files.files[file];
    const CachedFace& kept = record.faces[face];
    path.clear();
    appendPathBytes(path, filePath);
    appendListRow(rows, static_cast<int>(i + 1), kept.fullName, factsOf(kept), path,
                  faceField ? std::optional<uint32_t>(face) : std::nullopt);
  }
  return rows;
}

std::optional<CachedListing> listingOfFill(FileSystem& fs, QByteArray key, const QStringList& roots,
                                           const QStringList& folders, const CachedFiles& files, const ListBox& list,
                                           int64_t settledBefore) {
  CachedListing out{std::move(key), {}, {}};
  const auto settled = [&](const std::optional<FileIdentity>& identity) {
    return !identity || identity->changedNs < settledBefore;
  };
  for (const QString& root : roots) {
    out.folders.emplace_back(root, fs.identityAt(pathToBytes(root).c_str()));
    if (!settled(out.folders.back().second)) return std::nullopt;
  }
  for (const QString& folder : folders) {
    out.folders.emplace_back(folder, fs.identityAt(pathToBytes(folder).c_str()));
    if (!out.folders.back().second || !settled(out.folders.back().second)) return std::nullopt;
  }
  for (const auto& [path, file] : files.files)
    if (!settled(file.identity)) return std::nullopt;
  // The entries in the order they were added meet the records in theirs: each entry's record is
  // the first one on with its path.
  const auto count = static_cast<size_t>(list.ListCount());
  std::vector<int> sortedAt(count);
  for (int i = 0; i < list.ListCount(); ++i) {
    const uint32_t added = list.ItemAddedAt(i);
    if (added >= count) return std::nullopt;
    sortedAt[added] = i;
  }
  std::vector<uint32_t> recordOf(count);
  size_t record = 0;
  for (size_t added = 0; added < count; ++added) {
    const QStringView path = list.ItemPathView(sortedAt[added]);
    while (record < files.files.size() && files.files[record].first != path) ++record;
    if (record == files.files.size()) return std::nullopt;
    recordOf[added] = static_cast<uint32_t>(record);
  }
  out.rows.reserve(count);
  for (int i = 0; i < list.ListCount(); ++i) {
    const uint32_t at = recordOf[list.ItemAddedAt(i)];
    const uint32_t face = list.ItemFace(i);
    if (face >= files.files[at].second.faces.size()) return std::nullopt;
    out.rows.emplace_back(at, static_cast<uint16_t>(face));
  }
  return out;
}
