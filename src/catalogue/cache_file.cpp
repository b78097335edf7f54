// The catalogue cache's file. Written in the machine's own byte order and read back only on a
// machine of the same kind; every length, count and index is checked against the bytes really
// there before it is used, as a font's are, and anything odd discards the whole file.
#include "catalogue/catalogue_cache.h"

#include "catalogue/cache_bytes.h"

#include <algorithm>
#include <cstring>
#include <future>
#include <span>
#include <string>

using namespace cache_bytes;

namespace {

constexpr char kMagic[8] = {'T', 'Y', 'P', 'O', 'R', 'A', 'M', 'A'};
// Raised whenever the layout, or what the reader takes from a font, changes.
constexpr uint32_t kFormatVersion = 5;
constexpr uint32_t kByteOrder = 0x01020304;
constexpr size_t kKeyBytes = 16;
// magic, format, byte order, pointer size, locale, key, string and file counts, payload length,
// checksum
static_assert(kCacheHeaderBytes == 8 + 4 + 4 + 4 + 4 + kKeyBytes + 4 + 4 + 8 + 8);
// folder, name, identity, formats, face count; and per face three names, style bits and rank
constexpr size_t kFileBytes = 4 + 4 + 5 * 8 + 1 + 2;
constexpr size_t kFaceBytes = 3 * 4 + 2 + 4;
using PathRecord = std::pair<QString, Record>;

// Above this many records, the second half is decoded on a thread of its own meanwhile: the
// program waits for them at start.
constexpr uint32_t kRecordsForTwoThreads = 4096;

// Steps over `count` records by their face counts alone.
bool passRecords(Reader& in, uint32_t count) {
  for (uint32_t f = 0; f < count; ++f) {
    uint16_t faces = 0;
    if (!in.pass(kFileBytes - sizeof faces) || !in.get(faces) || !in.pass(size_t{faces} * kFaceBytes)) return false;
  }
  return true;
}

// True when most of a few records spread over the `count` from where `in` stands no longer hold
// by `holds`: after a change of nearly every file (a system update, a copied tree) the records
// would only cost their decoding, at start, for no file. Walks only as far as the sample needs.
bool mostlyOutOfDate(Reader in, const Strings& strings, uint32_t count, const RecordHolds& holds) {
  constexpr uint32_t kSample = 16;
  if (!holds || count < 4 * kSample) return false;  // a few records cost little either way
  uint32_t held = 0, failed = 0;
  for (uint32_t f = 0, next = 0; f < count && 2 * held <= kSample && 2 * failed <= kSample; ++f) {
    if (f == next) {
      Reader at = in;
      uint32_t folder = 0, name = 0;
      Identity identity;
      if (!at.get(folder) || !at.get(name) || !strings.has(folder) || !strings.has(name) ||
          !getIdentity(at, identity))
        return false;  // the decoding refuses it
      ++(holds(strings.path(folder, name), identity) ? held : failed);
      next = static_cast<uint32_t>(uint64_t{held + failed} * count / kSample);
    }
    if (!passRecords(in, 1)) return false;
  }
  return 2 * failed > kSample;
}

// Decodes records into `out` from where `in` stands, each checked; false at anything odd.
bool getRecords(Reader& in, const Strings& strings, std::span<PathRecord> out) {
  std::vector<QString> made(out.empty() ? 0 : strings.count());
  const auto string = [&](uint32_t& k) { return in.get(k) && strings.has(k); };
  for (auto& [path, file] : out) {
    uint32_t folder, name;
    uint16_t faces = 0;
    if (!string(folder) || !string(name) || !getIdentity(in, file.identity) || !in.get(file.formats) ||
        !in.get(faces))
      return false;
    // Formats as the reads give them; more than one face only where a collection was read.
    const uint8_t all = formatBit(FontFormats::All);
    if (file.formats == 0 || (file.formats & ~(all | formatBit(FontFormats::TrueType))) || faces == 0 ||
        faces > truetype::kMaxCollectionFaces || (faces > 1 && file.formats != all) ||
        faces > in.left() / kFaceBytes)
      return false;
    file.faces.reserve(faces);
    for (uint16_t k = 0; k < faces; ++k) {
      uint32_t full, family, subfamily;
      RecordFace& face = file.faces.emplace_back();
      if (!string(full) || !string(family) || !string(subfamily) || !in.get(face.fsSelection) || !in.get(face.rank))
        return false;
      face.fullName = strings.at(full, made);
      face.family = strings.at(family, made);
      face.subfamily = strings.at(subfamily, made);
    }
    path = strings.path(folder, name);
  }
  return true;
}

// The snapshot after the records: each row names a record and one of its faces.
bool getSnapshot(Reader& in, const Records& files, std::optional<Snapshot>& out) {
  uint8_t present = 0;
  uint32_t keyBytes = 0, folders = 0, rows = 0;
  if (!in.get(present) || present > 1) return false;
  if (!present) return true;
  Snapshot& snapshot = out.emplace();
  if (!in.get(keyBytes) || keyBytes > in.left()) return false;
  snapshot.key.resize(keyBytes);
  for (char& c : snapshot.key) in.get(c);
  if (!in.get(folders) || folders > in.left() / (4 + 1)) return false;
  snapshot.folders.reserve(folders);
  for (uint32_t k = 0; k < folders; ++k) {
    const char* at = nullptr;
    uint32_t units = 0;
    bool oneByte = false;
    uint8_t there = 0;
    if (!in.getString(at, units, oneByte) || !in.get(there) || there > 1) return false;
    QString folder;
    if (oneByte) {
      folder = QString::fromLatin1(at, static_cast<qsizetype>(units));
    } else {
      folder.resize(static_cast<qsizetype>(units));
      std::memcpy(folder.data(), at, size_t{units} * 2);
    }
    std::optional<Identity> identity;
    if (there && !getIdentity(in, identity.emplace())) return false;
    snapshot.folders.emplace_back(std::move(folder), identity);
  }
  if (!in.get(rows) || rows > in.left() / (4 + 2)) return false;
  snapshot.rows.resize(rows);
  for (auto& [file, face] : snapshot.rows)
    if (!in.get(file) || !in.get(face) || file >= files.files.size() || face >= files.files[file].second.faces.size())
      return false;
  return true;
}

// The key as the header holds it: its first bytes, readable in the file, and a checksum of it all.
std::string keyField(QByteArrayView key);


}  // namespace

namespace {
std::string keyField(QByteArrayView key) {
  std::string field(key.data(), std::min<size_t>(static_cast<size_t>(key.size()), kKeyBytes - 8));
  field.resize(kKeyBytes - 8, '\0');
  const uint64_t sum = cacheChecksum(key);
  field.append(reinterpret_cast<const char*>(&sum), sizeof sum);
  return field;
}
}  // namespace

uint64_t cacheChecksum(QByteArrayView payload) {
  const char* p = payload.data();
  size_t n = static_cast<size_t>(payload.size());
  uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    h = (h ^ w) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 32;
  }
  for (; n > 0; ++p, --n) h = (h ^ static_cast<uint8_t>(*p)) * 0x100000001B3ull;
  return h;
}

namespace {
// The records into `out`, their strings into `table`; returns the count of strings and of files.
std::pair<uint32_t, uint32_t> putRecords(const Records& records, Writer& table, Writer& out) {
  // A folder's files follow one another, and names of faces recur from file to file: each is
  // written once, looked up by its units (views of the records' own strings, there until the
  // end). A file's own name is seldom met twice and is not looked up.
  QHash<QStringView, uint32_t> index;
  uint32_t strings = 0;
  out.bytes.reserve(records.files.size() * (kFileBytes + kFaceBytes));
  const auto put = [&](QStringView s) {
    table.putString(s);
    out.put(strings++);
  };
  const auto ref = [&](const QString& s) {
    auto it = index.constFind(QStringView(s));
    if (it == index.cend()) {
      it = index.insert(QStringView(s), strings);
      table.putString(s);
      ++strings;
    }
    out.put<uint32_t>(*it);
  };
  QStringView folder;
  uint32_t folderString = 0, fileCount = 0;
  for (const auto& [path, record] : records.files) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) continue;  // no path of a catalogue
    if (fileCount == 0 || QStringView(path).first(slash) != folder) {
      folder = QStringView(path).first(slash);
      folderString = strings;
      put(folder);
    } else {
      out.put(folderString);
    }
    put(QStringView(path).sliced(slash + 1));
    ++fileCount;
    putIdentity(out, record.identity);
    out.put(record.formats);
    out.put(static_cast<uint16_t>(record.faces.size()));
    for (const RecordFace& face : record.faces) {
      ref(face.fullName);
      ref(face.family);
      ref(face.subfamily);
      out.put(face.fsSelection);
      out.put(face.rank);
    }
  }
  return {strings, fileCount};
}

void putSnapshot(const Snapshot* snapshot, Writer& out) {
  out.put(static_cast<uint8_t>(snapshot ? 1 : 0));
  if (!snapshot) return;
  out.put(static_cast<uint32_t>(snapshot->key.size()));
  out.bytes.append(snapshot->key.constData(), static_cast<size_t>(snapshot->key.size()));
  out.put(static_cast<uint32_t>(snapshot->folders.size()));
  for (const auto& [folder, identity] : snapshot->folders) {
    out.putString(folder);
    out.put(static_cast<uint8_t>(identity ? 1 : 0));
    if (identity) putIdentity(out, *identity);
  }
  out.put(static_cast<uint32_t>(snapshot->rows.size()));
  for (const auto& [file, face] : snapshot->rows) {
    out.put(file);
    out.put(face);
  }
}
}  // namespace

QByteArray encodeCatalogueCache(const Records& records, int32_t localeId, QByteArrayView key,
                                const Snapshot* snapshot, QByteArrayView details) {
  Writer table, body;
  const auto [strings, fileCount] = putRecords(records, table, body);
  putSnapshot(snapshot, body);
  body.put(static_cast<uint64_t>(details.size()));
  body.bytes.append(details.data(), static_cast<size_t>(details.size()));
  Writer out;
  out.bytes.reserve(kCacheHeaderBytes + table.bytes.size() + body.bytes.size());
  out.bytes.assign(kMagic, sizeof kMagic);
  out.put(kFormatVersion);
  out.put(kByteOrder);
  out.put(static_cast<uint32_t>(sizeof(void*)));
  out.put(localeId);
  out.bytes += keyField(key);
  out.put(strings);
  out.put(fileCount);
  out.put(static_cast<uint64_t>(table.bytes.size() + body.bytes.size()));
  const size_t sumAt = out.bytes.size();
  out.put(uint64_t{0});
  out.bytes += table.bytes;
  out.bytes += body.bytes;
  const uint64_t sum = cacheChecksum(QByteArrayView(out.bytes).sliced(kCacheHeaderBytes));
  std::memcpy(out.bytes.data() + sumAt, &sum, sizeof sum);
  return QByteArray(out.bytes.data(), static_cast<qsizetype>(out.bytes.size()));
}

std::optional<DecodedCache> decodeCatalogueCache(QByteArrayView bytes, QByteArrayView key, const RecordHolds& holds) {
  Reader in(bytes.data(), static_cast<size_t>(bytes.size()));
  char magic[sizeof kMagic], keyBytes[kKeyBytes];
  uint32_t format = 0, order = 0, pointerBytes = 0, stringCount = 0, fileCount = 0;
  uint64_t payloadBytes = 0, sum = 0;
  DecodedCache out;
  if (!in.get(magic) || std::memcmp(magic, kMagic, sizeof magic) != 0 || !in.get(format) ||
      format != kFormatVersion || !in.get(order) || order != kByteOrder || !in.get(pointerBytes) ||
      pointerBytes != sizeof(void*) || !in.get(out.localeId) || !in.get(keyBytes) ||
      std::memcmp(keyBytes, keyField(key).data(), kKeyBytes) != 0 || !in.get(stringCount) || !in.get(fileCount) ||
      !in.get(payloadBytes) || !in.get(sum) || payloadBytes != in.left())
    return std::nullopt;
  if (cacheChecksum(bytes.sliced(kCacheHeaderBytes)) != sum) return std::nullopt;

  // Counts are believed only as far as the bytes there could hold them.
  if (stringCount > in.left() / sizeof(uint32_t)) return std::nullopt;
  Strings strings;
  if (!strings.read(in, stringCount)) return std::nullopt;
  if (fileCount > in.left() / (kFileBytes + kFaceBytes)) return std::nullopt;
  if (mostlyOutOfDate(in, strings, fileCount, holds)) return std::nullopt;
  const uint32_t half = fileCount >= kRecordsForTwoThreads ? fileCount / 2 : fileCount;
  Reader rest = in;
  if (!passRecords(rest, half)) return std::nullopt;
  std::vector<PathRecord>& files = out.records.files;
  files.resize(fileCount);
  const std::span<PathRecord> all(files);
  const auto decodeRest = [&] { return getRecords(rest, strings, all.subspan(half)); };
  auto later = std::async(half < fileCount ? std::launch::async | std::launch::deferred : std::launch::deferred,
                          decodeRest);
  const bool first = getRecords(in, strings, all.first(half));
  uint64_t detailBytes = 0;
  if (!later.get() || !first || !getSnapshot(rest, out.records, out.snapshot) || !rest.get(detailBytes) ||
      rest.left() != detailBytes)
    return std::nullopt;
  // Decoded only when asked for: a plain list needs none of it.
  out.details = QByteArray(bytes.data() + (bytes.size() - static_cast<qsizetype>(detailBytes)),
                           static_cast<qsizetype>(detailBytes));
  return out;
}
