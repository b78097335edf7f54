#pragma once
// The catalogue cache: the records of what the catalogue's font files gave and the snapshot of
// the last whole list, kept in memory from fill to fill and in a file from run to run.
#include "catalogue/kept_details.h"
#include "catalogue/records.h"
#include "catalogue/snapshot.h"
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

// The file's bytes: a header of kCacheHeaderBytes (format, the key of what wrote it, machine,
// locale, counts, a checksum of the rest) and the records, their strings kept once, then the
// snapshot, if any, then the details' section (kept_details.h).
constexpr size_t kCacheHeaderBytes = 64;
uint64_t cacheChecksum(QByteArrayView payload);
QByteArray encodeCatalogueCache(const Records& records, int32_t localeId, QByteArrayView key,
                                const Snapshot* snapshot = nullptr, QByteArrayView details = {});
struct DecodedCache {
  int32_t localeId = 0;
  Records records;
  std::optional<Snapshot> snapshot;
  QByteArray details;  // the section's bytes, not decoded
};
// Whether the file at the path still has the identity a record gives.
using RecordHolds = std::function<bool(const QString& path, const Identity& identity)>;
// The records of the bytes, each length, count and index checked against the bytes there; nothing
// at all when anything is odd (another format, key or machine, a wrong checksum). With `holds`, a
// few records spread over the file are looked at first, and nothing is decoded when most of them
// no longer hold: nearly every file changed since, and the records would serve none.
std::optional<DecodedCache> decodeCatalogueCache(QByteArrayView bytes, QByteArrayView key,
                                                 const RecordHolds& holds = {});

class CatalogueCache {
 public:
  // With an empty path the records live in memory only. `key` names what the records may serve:
  // a cache written under another key (another program, build or reader) is not read.
  explicit CatalogueCache(FileSystem& fs, QString path = {}, QByteArray key = {});
  ~CatalogueCache();  // waits for a write under way
  CatalogueCache(const CatalogueCache&) = delete;
  CatalogueCache& operator=(const CatalogueCache&) = delete;

  // Reads the file on a thread of its own, while start-up goes on; else the first records() reads it.
  void startLoading();
  bool keepsFile() const { return !path_.isEmpty(); }
  // A time stamp of the file system for a fill about to start, taken in the cache's folder (the
  // system's temporary folder for a cache in memory): what changed on a later tick gets no record
  // and no snapshot. Nothing when none can be had: then nothing is kept at all.
  std::optional<TimeStamp> stamp();
  // The records of the last fill, or of the file, if read in localeId; none otherwise. Indexed,
  // and left unchanged while the caller holds them.
  std::shared_ptr<const Records> records(int32_t localeId);
  // Indexes the records on a thread of its own, for a fill that is sure to come (its scan goes
  // on meanwhile).
  void indexAhead();
  // The records (not indexed) and the snapshot kept with them, if read in localeId.
  std::pair<std::shared_ptr<const Records>, const Snapshot*> snapshot(int32_t localeId) {
    takeLoaded();
    if (localeId != localeId_) return {std::make_shared<const Records>(), nullptr};
    return {records_, snapshot_ ? &*snapshot_ : nullptr};
  }
  // Keeps the records of a fill, dropping the snapshot of earlier ones; when `changed`, writes
  // them to the file (whole, on a thread of its own; a failure costs only speed), unless writes
  // are deferred.
  void keep(int32_t localeId, std::shared_ptr<const Records> records, bool changed);
  // Holds the write of the next records back until keepSnapshot(), to write both at once. Left
  // without keepSnapshot(), nothing more is written.
  void deferWrite() { deferred_ = true; }
  // Keeps the snapshot, if any, with the current records, and writes what the file lacks.
  void keepSnapshot(std::optional<Snapshot> snapshot);
  // The details kept with the records, if read in localeId (decoded on the first call); empty
  // otherwise.
  std::shared_ptr<const DetailsByFace> details(int32_t localeId);
  // Decodes the details on a thread of its own, for a caller sure to ask for them soon.
  void detailsAhead();
  // Keeps these details in place of the earlier ones, and writes them with the records.
  void keepDetails(std::shared_ptr<const DetailsByFace> details);
  // Lets go of the records and the snapshot, for a caller done with them: those a write under way
  // holds are freed on its thread, meanwhile, rather than on the caller's at its end.
  void letGo();

 private:
  void takeLoaded();
  void takeDecodedDetails();
  void write(std::shared_ptr<const Records> earlier);

  FileSystem& fs_;
  const QString path_;
  const QByteArray key_;
  bool started_ = false;
  std::future<std::optional<DecodedCache>> loading_;
  std::future<void> indexing_;
  std::future<void> writing_;
  int32_t localeId_ = 0;
  std::shared_ptr<const Records> records_ = std::make_shared<const Records>();
  std::optional<Snapshot> snapshot_;
  QByteArray detailBytes_;  // the file's details, until decoded
  std::shared_ptr<const DetailsByFace> details_;
  std::future<std::shared_ptr<const DetailsByFace>> decodingDetails_;
  bool deferred_ = false;
  bool unwritten_ = false;  // records or a snapshot the file does not hold yet
};
