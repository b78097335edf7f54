#pragma once
// What reading the catalogue's font files gave, kept so that a fill reads only the files that
// changed: per file its identity and, per face, the names and style bits that the list, the face
// probe, the grid and the exports take. Kept in memory from fill to fill, and in a file from run
// to run. A record serves only while its file's identity stays the same; a file that could not be
// read cleanly gets none, so it is read (and its failure shown) every time.
#include "fontfile/font_facts.h"
#include "fontfile/font_formats.h"
#include "fontfile/truetype_tables.h"
#include "platform/file_system.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QVarLengthArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class CFontPreview;

struct CachedFace {
  // As the reader selects them in the cache's locale.
  QString fullName;
  QString family;
  QString subfamily;
  uint16_t fsSelection = 0;
  // Where the face stood in the last sorted catalogue: a fill of the same entries needs no sort.
  uint32_t rank = UINT32_MAX;
  bool operator==(const CachedFace&) const = default;
};

struct CachedFile {
  FileIdentity identity;
  // The formats whose read this is, one bit each (formatBit): both, but for a file that starts
  // with a collection's tag, which only every format reads as a collection.
  uint8_t formats = 0;
  QVarLengthArray<CachedFace, 1> faces;  // in face order; more than one only in a collection
  bool operator==(const CachedFile&) const = default;
};

// Records by path, in the order a fill met their files (so a folder's files are together).
// find() looks up what index() indexed.
struct CachedFiles {
  std::vector<std::pair<QString, CachedFile>> files;
  mutable QHash<QString, uint32_t> byPath;
  mutable bool indexed = false;
  void index() const;
  const CachedFile* find(const QString& path) const {
    const auto it = byPath.constFind(path);
    return it == byPath.cend() ? nullptr : &files[*it].second;
  }
  // Where the path's record stands; files.size() when it has none.
  size_t indexOf(const QString& path) const { return byPath.value(path, static_cast<uint32_t>(files.size())); }
  bool operator==(const CachedFiles& other) const { return files == other.files; }
};

// The last whole list the command line printed from the records, kept with them: what it
// depended on besides the files, each folder its scan tried (and the configured ones, there or
// not) with its identity, and its rows as record and face. A folder's entries change only with
// its identity (an entry added, removed or renamed gives it a new modification time), so while
// no folder and no file of it changed, the rows are the list a scan and a fill would give.
struct CachedListing {
  QByteArray key;
  std::vector<std::pair<QString, std::optional<FileIdentity>>> folders;  // nothing: no folder there
  std::vector<std::pair<uint32_t, uint16_t>> rows;                      // index in the records, face
  bool operator==(const CachedListing&) const = default;
};

constexpr uint8_t formatBit(FontFormats formats) { return formats == FontFormats::All ? 2 : 1; }

// The tables a reader would have read for the face: its names in the locale, its style bits.
truetype::FontTablesState tablesOf(const CachedFace& face, int32_t localeId);
FontFacts factsOf(const CachedFace& face);
// What a reader that read a face with its names gives of it.
CachedFace faceOf(const CFontPreview& reader);

// The file's bytes: a header of kCacheHeaderBytes (format, program version, machine, locale,
// counts, a checksum of the rest) and the records, their strings kept once.
constexpr size_t kCacheHeaderBytes = 64;
uint64_t cacheChecksum(QByteArrayView payload);
QByteArray encodeCatalogueCache(const CachedFiles& files, int32_t localeId, QByteArrayView programVersion,
                                const CachedListing* listing = nullptr);
// The same with a listing asked for only once the records are encoded.
QByteArray encodeCatalogueCache(const CachedFiles& files, int32_t localeId, QByteArrayView programVersion,
                                const std::function<const CachedListing*()>& listingOnceReady);
struct DecodedCache {
  int32_t localeId = 0;
  CachedFiles files;
  std::optional<CachedListing> listing;
};
// Whether the file at the path still has the identity a record gives.
using RecordHolds = std::function<bool(const QString& path, const FileIdentity& identity)>;
// The records of the bytes, each length, count and index checked against the bytes there; nothing
// at all when anything is odd (another format, program version or machine, a wrong checksum).
// With `holds`, a few records spread over the file are looked at first, and nothing is decoded
// when most of them no longer hold: nearly every file changed since, and the records would serve
// none.
std::optional<DecodedCache> decodeCatalogueCache(QByteArrayView bytes, QByteArrayView programVersion,
                                                 const RecordHolds& holds = {});

class CatalogueCache {
 public:
  // With an empty path the records live in memory only.
  explicit CatalogueCache(FileSystem& fs, QString path = {}, QByteArray programVersion = {});
  ~CatalogueCache();  // waits for a write under way
  CatalogueCache(const CatalogueCache&) = delete;
  CatalogueCache& operator=(const CatalogueCache&) = delete;

  // Reads the file on a thread of its own, while start-up goes on; else the first records() reads it.
  void startLoading();
  bool keepsFile() const { return !path_.isEmpty(); }
  // The records of the last fill, or of the file, if read in localeId; none otherwise. Indexed,
  // and left unchanged while the caller holds them.
  std::shared_ptr<const CachedFiles> records(int32_t localeId);
  // Indexes the records on a thread of its own, for a fill that is sure to come (its scan goes
  // on meanwhile).
  void indexAhead();
  // Keeps the records of a fill; when `changed`, writes them to the file (whole, on a thread of
  // its own; a failure costs only speed). The listing of earlier records goes.
  void keep(int32_t localeId, std::shared_ptr<const CachedFiles> files, bool changed);
  // The records of the last fill, or of the file, if read in localeId (else none), not indexed,
  // and the listing kept with them, if any.
  std::pair<std::shared_ptr<const CachedFiles>, const CachedListing*> listing(int32_t localeId) {
    takeLoaded();
    if (localeId != localeId_) return {std::make_shared<const CachedFiles>(), nullptr};
    return {files_, listing_ ? &*listing_ : nullptr};
  }
  // The next fill's records wait for the listing of what it lists, to be written once with it.
  void awaitListing() { awaitingListing_ = true; }
  // Keeps the listing, if any, with the current records, and writes what was not written yet
  // (whole, on a thread of its own).
  void keepListing(std::optional<CachedListing> listing);

  // Lets go of the records and the listing, for a caller done with them: those a write under way
  // holds are freed on its thread, meanwhile, rather than on the caller's at its end.
  void letGo();

  // A file whose status changed this recently (nanoseconds) gets no record: a change within the
  // same tick of the file system's clock would leave its identity as it was.
  int64_t settleNs = 3'000'000'000;
  // Nanoseconds since the epoch: a file or folder whose status changed before this has settled.
  int64_t settledBefore() const;

 private:
  void takeLoaded();
  void write(std::shared_ptr<const CachedFiles> earlier);

  FileSystem& fs_;
  const QString path_;
  const QByteArray programVersion_;
  bool started_ = false;
  std::future<std::optional<DecodedCache>> loading_;
  std::future<void> indexing_;
  std::future<void> writing_;
  int32_t localeId_ = 0;
  std::shared_ptr<const CachedFiles> files_ = std::make_shared<const CachedFiles>();
  std::optional<CachedListing> listing_;
  bool awaitingListing_ = false;
  // The listing a write under way waits for, after the records it encodes meanwhile.
  std::optional<std::promise<std::optional<CachedListing>>> listingToWrite_;
  bool unwritten_ = false;  // records or a listing the file does not hold yet
};
