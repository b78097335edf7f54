#include "catalogue/cached_listing.h"

#include "platform/path_codec.h"

QByteArray listingKey(int formats, const QStringList& roots) {
  QByteArray key = QByteArray::number(formats);
  for (const QString& root : roots) key += '\0' + root.toUtf8();
  return key;
}

bool listingHolds(FileSystem& fs, const CachedListing& listing, const CachedFiles& files, PathBytes& paths) {
  std::string folders;
  std::vector<size_t> folderStarts;
  for (const auto& [folder, identity] : listing.folders) {
    folderStarts.push_back(folders.size());
    appendPathBytes(folders, folder);
    folders += '\0';
  }
  paths.bytes.clear();
  paths.starts.clear();
  paths.starts.reserve(files.files.size());
  for (const auto& [path, file] : files.files) {
    paths.starts.push_back(paths.bytes.size());
    appendPathBytes(paths.bytes, path);
    paths.bytes += '\0';
  }
  // Folders first: a change is most often a file added to one.
  std::vector<FileSystem::IdentityCheck> checks;
  checks.reserve(listing.folders.size() + files.files.size());
  for (size_t k = 0; k < listing.folders.size(); ++k)
    checks.push_back({folders.data() + folderStarts[k], &listing.folders[k].second});
  std::vector<std::optional<FileIdentity>> identities;
  identities.reserve(files.files.size());
  for (size_t k = 0; k < files.files.size(); ++k) {
    identities.emplace_back(files.files[k].second.identity);
    checks.push_back({paths.bytes.data() + paths.starts[k], &identities.back()});
  }
  return fs.identitiesHold(checks);
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
