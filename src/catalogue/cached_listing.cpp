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
                                           const QStringList& folders, const CachedFiles& files,
                                           const std::vector<std::pair<QStringView, uint32_t>>& rows,
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
  if (!files.indexed) files.index();
  out.rows.reserve(rows.size());
  for (const auto& [path, face] : rows) {
    const auto at = files.byPath.constFind(QString::fromRawData(path.data(), path.size()));
    if (at == files.byPath.cend() || face >= files.files[*at].second.faces.size()) return std::nullopt;
    out.rows.emplace_back(*at, static_cast<uint16_t>(face));
  }
  return out;
}
