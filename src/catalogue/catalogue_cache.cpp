#include "catalogue/catalogue_cache.h"

#include "fontfile/cfont_preview.h"
#include "platform/atomic_file.h"

#include <QDir>

namespace {
// Far above any real catalogue's (about 100 bytes a file): a larger file is not read at all.
constexpr uint64_t kMaxCacheBytes = uint64_t{256} << 20;

std::optional<DecodedCache> readCacheFile(FileSystem& fs, const QString& path, const QByteArray& key) {
  const std::unique_ptr<ReadableFile> file = fs.openForReading(path);
  if (!file || file->size() > kMaxCacheBytes) return std::nullopt;
  QByteArray bytes(static_cast<qsizetype>(file->size()), Qt::Uninitialized);
  for (qsizetype done = 0; done < bytes.size();) {
    const int64_t got = file->readAt(static_cast<uint64_t>(done), bytes.data() + done, size_t(bytes.size() - done));
    if (got <= 0) return std::nullopt;
    done += got;
  }
  return decodeCatalogueCache(bytes, key, [&fs](const QString& file, const Identity& identity) {
    return fs.identity(file) == identity;
  });
}

void writeCacheFile(FileSystem& fs, const QString& path, const QByteArray& bytes) {
  // A folder that cannot be made or written, or a full disk, leaves the old file (or none).
  fs.createFolderPath(path.left(path.lastIndexOf(QLatin1Char('/')) + 1));
  AtomicFile file(path, Placement::ReplaceEntry);
  if (file.openUnnamed().ok() && file.write(bytes).ok()) file.commit(Flush::No);
}

// Runs the work on a thread of its own, or where its result is waited for when no thread is to
// be had.
template <class Work>
auto inBackground(Work work) {
  return std::async(std::launch::async | std::launch::deferred, std::move(work));
}
}  // namespace

CatalogueCache::CatalogueCache(FileSystem& fs, QString path, QByteArray key)
    : fs_(fs), path_(std::move(path)), key_(std::move(key)) {}

CatalogueCache::~CatalogueCache() {
  if (loading_.valid()) loading_.wait();
  if (indexing_.valid()) indexing_.wait();
  if (decodingDetails_.valid()) decodingDetails_.wait();
  if (writing_.valid()) writing_.wait();
}

std::optional<TimeStamp> CatalogueCache::stamp() {
  const QString folder = path_.isEmpty() ? QDir::tempPath() : path_.left(path_.lastIndexOf(QLatin1Char('/')) + 1);
  if (std::optional<TimeStamp> stamp = fs_.timeStamp(folder)) return stamp;
  if (path_.isEmpty() || !fs_.createFolderPath(folder).ok()) return std::nullopt;
  return fs_.timeStamp(folder);  // the cache's folder, made on the first run
}

void CatalogueCache::startLoading() {
  if (path_.isEmpty() || started_) return;
  started_ = true;
  loading_ = inBackground([this] { return readCacheFile(fs_, path_, key_); });
}

void CatalogueCache::takeLoaded() {
  startLoading();  // when nobody asked for it earlier
  if (!loading_.valid()) return;
  if (std::optional<DecodedCache> loaded = loading_.get()) {
    localeId_ = loaded->localeId;
    records_ = std::make_shared<const Records>(std::move(loaded->records));
    snapshot_ = std::move(loaded->snapshot);
    detailBytes_ = std::move(loaded->details);
  }
}

void CatalogueCache::indexAhead() {
  takeLoaded();
  if (!records_->indexed && !records_->files.empty() && !indexing_.valid())
    indexing_ = inBackground([records = records_] { records->index(); });
}

std::shared_ptr<const Records> CatalogueCache::records(int32_t localeId) {
  takeLoaded();
  if (indexing_.valid()) indexing_.get();
  if (localeId != localeId_) return std::make_shared<const Records>();
  if (!records_->indexed) records_->index();
  return records_;
}

void CatalogueCache::keep(int32_t localeId, std::shared_ptr<const Records> records, bool changed) {
  takeLoaded();
  takeDecodedDetails();
  if (localeId != localeId_) detailBytes_.clear(), details_.reset();  // names of another language
  localeId_ = localeId;
  snapshot_.reset();
  std::shared_ptr<const Records> earlier = std::exchange(records_, std::move(records));
  unwritten_ = unwritten_ || changed;
  if (!deferred_) write(std::move(earlier));
}

void CatalogueCache::keepSnapshot(std::optional<Snapshot> snapshot) {
  takeLoaded();
  deferred_ = false;
  snapshot_ = std::move(snapshot);
  unwritten_ = unwritten_ || snapshot_;
  write(nullptr);
}

namespace {
std::shared_ptr<const DetailsByFace> decodedDetails(const QByteArray& bytes) {
  // Bytes that do not decode are dropped, as a whole file that does not is.
  std::optional<DetailsByFace> decoded = decodeDetails(bytes);
  return std::make_shared<const DetailsByFace>(decoded ? std::move(*decoded) : DetailsByFace());
}
}  // namespace

void CatalogueCache::takeDecodedDetails() {
  if (decodingDetails_.valid()) details_ = decodingDetails_.get();
}

void CatalogueCache::detailsAhead() {
  takeLoaded();
  if (!details_ && !decodingDetails_.valid())
    decodingDetails_ = inBackground([bytes = std::exchange(detailBytes_, {})] { return decodedDetails(bytes); });
}

std::shared_ptr<const DetailsByFace> CatalogueCache::details(int32_t localeId) {
  takeLoaded();
  takeDecodedDetails();
  if (localeId != localeId_) return std::make_shared<const DetailsByFace>();
  if (!details_) details_ = decodedDetails(std::exchange(detailBytes_, {}));
  return details_;
}

void CatalogueCache::keepDetails(std::shared_ptr<const DetailsByFace> details) {
  takeLoaded();
  takeDecodedDetails();
  detailBytes_.clear();
  details_ = std::move(details);
  unwritten_ = true;
  if (!deferred_) write(nullptr);
}

void CatalogueCache::letGo() {
  takeLoaded();
  records_ = std::make_shared<const Records>();
  snapshot_.reset();
}

void CatalogueCache::write(std::shared_ptr<const Records> earlier) {
  if (!unwritten_ || path_.isEmpty()) return;
  unwritten_ = false;
  takeDecodedDetails();  // the bytes went with the decoding
  if (writing_.valid()) writing_.wait();  // one write at a time, the latest last
  // The earlier records go with the write, on its thread.
  writing_ = inBackground([this, records = records_, earlier = std::move(earlier), localeId = localeId_,
                           snapshot = snapshot_, details = details_, detailBytes = detailBytes_]() mutable {
    // Freed here and now: a task's captures otherwise live on until the program's own thread lets
    // go of its future, at exit.
    earlier.reset();
    // Details not decoded go back as they came; decoded ones only beside their files' records.
    const std::string section = details ? encodeDetails(*details, *records) : std::string();
    const QByteArrayView detailView = details ? QByteArrayView(section.data(), qsizetype(section.size())) : detailBytes;
    writeCacheFile(fs_, path_, encodeCatalogueCache(*records, localeId, key_, snapshot ? &*snapshot : nullptr,
                                                    detailView));
    records.reset();  // freed here if the program let go of them meanwhile (letGo)
  });
}
