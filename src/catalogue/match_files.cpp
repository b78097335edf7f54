#include "catalogue/match_files.h"

#include <QStringBuilder>
#include <cerrno>
#include <cstring>

namespace {
// The record of a read that ran to its end and gave every face its names, from a file settled
// before the stamp; its faces are the fill's to add.
std::optional<Record> recordOf(truetype::FileByteSource& file, const MatchedFile& read, FontFormats formats,
                              const TimeStamp& stamp) {
  const std::optional<Identity> identity = file.identity();
  if (!identity || !isSettled(*identity, stamp)) return std::nullopt;
  for (size_t k = 0; k <= read.laterFaces.size(); ++k) {
    const truetype::FontTablesState& face = k == 0 ? *read.tables : read.laterFaces[k - 1];
    if (!face.validTrueTypeFile || !face.nameRecords) return std::nullopt;
  }
  // A file with a collection's tag reads otherwise with every format than without.
  char tag[4];
  const bool collection = file.readAt(0, tag, sizeof tag) && std::memcmp(tag, "ttcf", 4) == 0;
  const auto both = static_cast<uint8_t>(formatBit(FontFormats::TrueType) | formatBit(FontFormats::All));
  return Record{*identity, collection ? formatBit(formats) : both, {}};
}

// The entry's record, if any: first the one at `recordAt`, which is this file's when its path is
// the folder's, "/" and the name (the file then takes the record's copy of its path, neither
// built nor hashed), else the one found by path. A record of a read in other formats is none.
const Record* recordFor(const Records* records, const QString& folder, const QString& name, size_t recordAt,
                        FontFormats formats, QString& path) {
  const Record* record = nullptr;
  if (records && recordAt < records->files.size()) {
    const auto& [kept, file] = records->files[recordAt];
    if (kept.size() == folder.size() + 1 + name.size() && kept.startsWith(folder) &&
        kept[folder.size()] == QLatin1Char('/') && kept.endsWith(name)) {
      path = kept;
      record = &file;
    }
  }
  if (!record) {
    path = folder % QLatin1Char('/') % name;
    if (records) record = records->find(path);
  }
  return record && (record->formats & formatBit(formats)) ? record : nullptr;
}

// True when the identity is the record's; counts in `outOfDate`, when given.
bool recordHolds(const Record& record, const std::optional<Identity>& identity, std::atomic<int>* outOfDate,
                 int turn) {
  const bool same = identity == record.identity;
  // Counted only up to twice the turn either way: both threads write the count, and a write for
  // every file would pass its cache line from core to core 25,000 times.
  const int count = outOfDate ? outOfDate->load(std::memory_order_relaxed) : 0;
  if (outOfDate && (same ? count > -2 * turn : count < 2 * turn)) *outOfDate += same ? -1 : 1;
  return same;
}

// Reads the open file's tables into `read`; a new record when the read was clean and settled.
void readTables(truetype::FileByteSource& file, MatchedFile& read, int32_t localeId, FontFormats formats,
                const RecordMatch& match) {
  try {
    bool complete = false;
    if (formats == FontFormats::TrueType) {
      truetype::FontTablesState tables;
      // A partial read is kept, as the reader keeps it. Only the names read are kept: the fill
      // copies the tables into its reader, on its thread.
      complete = truetype::readFontTables(file, tables, localeId, kCatalogueNameIds, 0,
                                          truetype::NameRecordsKept::Decoded);
      read.tables = std::move(tables);
    } else {
      auto faces = truetype::readFontFaces(file, localeId, kCatalogueNameIds, &complete);
      // A collection without faces is no usable font, as a file without a name table is not.
      complete = complete && !faces.empty();
      read.tables = faces.empty() ? truetype::FontTablesState() : std::move(faces.front());
      for (size_t k = 1; k < faces.size(); ++k) read.laterFaces.push_back(std::move(faces[k]));
    }
    if (match.records && match.stamp && complete) read.newRecord = recordOf(file, read, formats, *match.stamp);
  } catch (...) {
    read.failure = std::current_exception();
  }
}
}  // namespace

std::optional<MatchedFile> matchFile(FileSystem& fs, const QString& folder, const FileEntry& entry, int32_t localeId,
                                     FontFormats formats, const RecordMatch& match, OpenFolder* opened,
                                     size_t recordAt) {
  // Opening anything but a regular file (a device, say) could block or have side effects.
  if (!entry.regular) return std::nullopt;
  const bool skipped = entry.name.startsWith(QLatin1Char('~'));
  QString path;
  const Record* record = recordFor(skipped ? nullptr : match.records, folder, entry.name, recordAt, formats, path);
  constexpr int kOpenAtOnce = 64;
  const bool lookFirst = record && (!match.outOfDate || *match.outOfDate < kOpenAtOnce);
  const auto holds = [&](const std::optional<Identity>& identity) {
    return recordHolds(*record, identity, match.outOfDate, kOpenAtOnce);
  };
  if (lookFirst && holds(opened ? opened->identity(entry.name) : fs.identity(path)))
    return MatchedFile{entry.name, path, record};
  truetype::FileByteSource file;
  errno = 0;
  // Without records the file's identity is never asked for, and its size seldom: the open makes
  // no status query. With them, the identity is the one the file had as it was opened.
  if (!(match.records ? file.open(fs, path) : file.openListed(fs, path)))
    return MatchedFile{.name = entry.name, .path = path, .openError = errno ? errno : EIO};
  if (record && !lookFirst && holds(file.identity())) return MatchedFile{entry.name, path, record};
  MatchedFile read{entry.name, path};
  if (!skipped) readTables(file, read, localeId, formats, match);
  return read;
}
