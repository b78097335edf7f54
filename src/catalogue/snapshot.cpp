#include "catalogue/snapshot.h"

#include "core/list_escape.h"
#include "platform/path_codec.h"
#include "platform/file_system.h"

#include <algorithm>
#include <future>
#include <span>
#include <optional>

QByteArray snapshotKey(int formats, const QStringList& roots) {
  QByteArray key = QByteArray::number(formats);
  for (const QString& root : roots) key += '\0' + root.toUtf8();
  return key;
}

namespace {
// Checks the entries [begin, end) of the snapshot's folders and then the records' files, in
// chunks that grow from a few to a thousand, until one fails or `changed` is set: a stale cache
// mostly fails at its first file.
bool entriesHold(FileSystem& fs, const Snapshot& snapshot, const Records& records, size_t begin, size_t end,
                 std::atomic<bool>& changed) {
  const size_t folders = snapshot.folders.size();
  std::vector<std::optional<Identity>> identities;
  std::vector<FileSystem::IdentityCheck> checks;
  for (size_t at = begin, chunk = 16; at < end; at += chunk, chunk = std::min<size_t>(chunk * 4, 1024)) {
    if (changed.load(std::memory_order_relaxed)) return false;
    const size_t last = std::min(end, at + chunk);
    identities.clear();
    checks.clear();
    identities.reserve(last - at);
    for (size_t k = at; k < last; ++k) {
      if (k < folders) {
        checks.push_back({&snapshot.folders[k].first, &snapshot.folders[k].second});
      } else {
        const auto& [path, record] = records.files[k - folders];
        checks.push_back({&path, &identities.emplace_back(record.identity)});
      }
    }
    if (!fs.identitiesHold(checks)) {
      changed = true;
      return false;
    }
  }
  return true;
}
}  // namespace

bool snapshotHolds(FileSystem& fs, const Snapshot& snapshot, const Records& records, std::atomic<bool>& changed) {
  // Folders first, as a change is most often a file added to one. Half of them on a second
  // thread: the system looks up paths on both cores at once.
  const size_t all = snapshot.folders.size() + records.files.size(), half = all / 2;
  auto later = std::async(std::launch::async | std::launch::deferred,
                          [&] { return entriesHold(fs, snapshot, records, half, all, changed); });
  const bool first = entriesHold(fs, snapshot, records, 0, half, changed);
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

std::string snapshotText(const Snapshot& snapshot, const Records& records, bool faceField,
                         const std::atomic<bool>& stop) {
  std::string rows, path;
  rows.reserve(snapshot.rows.size() * 128);
  for (size_t i = 0; i < snapshot.rows.size(); ++i) {
    if (i % 256 == 0 && stop.load(std::memory_order_relaxed)) return {};
    const auto [file, face] = snapshot.rows[i];
    const auto& [filePath, record] = records.files[file];
    const RecordFace& kept = record.faces[face];
    path.clear();
    appendPathBytes(path, filePath);
    appendListRow(rows, static_cast<int>(i + 1), kept.fullName, factsOf(kept), path,
                  faceField ? std::optional<uint32_t>(face) : std::nullopt);
  }
  return rows;
}

namespace {
// The record of each entry, by the order the entries were added, which is the order the records
// met their files: each entry's record is the first one on with its path.
std::optional<std::vector<uint32_t>> recordsOfEntries(const Records& records, const ListBox& list) {
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
    while (record < records.files.size() && records.files[record].first != path) ++record;
    if (record == records.files.size()) return std::nullopt;
    recordOf[added] = static_cast<uint32_t>(record);
  }
  return recordOf;
}
}  // namespace

std::optional<Snapshot> snapshotOf(QByteArray key, std::vector<FolderIdentity> folders, const Records& records,
                                   const ListBox& list, const TimeStamp& stamp) {
  const auto settled = [&](const std::optional<Identity>& identity) { return !identity || isSettled(*identity, stamp); };
  if (!std::all_of(folders.begin(), folders.end(), [&](const FolderIdentity& f) { return settled(f.second); }) ||
      !std::all_of(records.files.begin(), records.files.end(), [&](const auto& r) { return settled(r.second.identity); }))
    return std::nullopt;
  const std::optional<std::vector<uint32_t>> recordOf = recordsOfEntries(records, list);
  if (!recordOf) return std::nullopt;
  Snapshot out{std::move(key), std::move(folders), {}};
  out.rows.reserve(recordOf->size());
  for (int i = 0; i < list.ListCount(); ++i) {
    const uint32_t at = (*recordOf)[list.ItemAddedAt(i)];
    const uint32_t face = list.ItemFace(i);
    if (face >= records.files[at].second.faces.size()) return std::nullopt;
    out.rows.emplace_back(at, static_cast<uint16_t>(face));
  }
  return out;
}
