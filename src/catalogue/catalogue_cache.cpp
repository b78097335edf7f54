#include "catalogue/catalogue_cache.h"

#include "fontfile/cfont_preview.h"
#include "platform/atomic_file.h"

#include <chrono>

namespace {
// Far above any real catalogue's (about 100 bytes a file): a larger file is not read at all.
constexpr uint64_t kMaxCacheBytes = uint64_t{256} << 20;

std::optional<DecodedCache> readCacheFile(FileSystem& fs, const QString& path, const QByteArray& version) {
  const std::unique_ptr<ReadableFile> file = fs.openForReading(path);
  if (!file || file->size() > kMaxCacheBytes) return std::nullopt;
  QByteArray bytes(static_cast<qsizetype>(file->size()), Qt::Uninitialized);
  for (qsizetype done = 0; done < bytes.size();) {
    const int64_t got = file->readAt(static_cast<uint64_t>(done), bytes.data() + done, size_t(bytes.size() - done));
    if (got <= 0) return std::nullopt;
    done += got;
  }
  return decodeCatalogueCache(bytes, version, [&fs](const QString& file, const FileIdentity& identity) {
    return fs.fileIdentity(file) == identity;
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

truetype::FontTablesState tablesOf(const CachedFace& face, int32_t localeId) {
  truetype::FontTablesState tables;
  tables.validTrueTypeFile = true;
  const auto language = static_cast<uint16_t>(localeId);
  tables.nameRecords = std::vector<truetype::NameRecord>{
      {3, 1, language, 1, 0, 0}, {3, 1, language, 2, 0, 0}, {3, 1, language, 4, 0, 0}};
  for (const QString* name : {&face.family, &face.subfamily, &face.fullName})
    tables.nameStrings.emplace_back(reinterpret_cast<const char16_t*>(name->utf16()), static_cast<size_t>(name->size()));
  tables.os2Info.fsSelection = face.fsSelection;
  return tables;
}

CachedFace faceOf(const CFontPreview& reader) {
  const auto bit = [](bool on, int k) { return static_cast<uint16_t>(on ? 1u << k : 0u); };
  return {reader.FullName(), reader.FamilyName(), reader.SubFamilyName(),
          static_cast<uint16_t>(bit(reader.Bold(), truetype::kBoldBit) | bit(reader.Italic(), truetype::kItalicBit) |
                                bit(reader.Underlined(), truetype::kUnderscoreBit) |
                                bit(reader.StrikeOut(), truetype::kStrikeoutBit))};
}

void CachedFiles::index() const {
  byPath.clear();
  byPath.reserve(static_cast<qsizetype>(files.size()));
  for (size_t k = 0; k < files.size(); ++k) byPath.insert(files[k].first, static_cast<uint32_t>(k));
  indexed = true;
}

FontFacts factsOf(const CachedFace& face) {
  const auto bit = [&](int k) { return truetype::isBitSet(face.fsSelection, k); };
  return {bit(truetype::kBoldBit), bit(truetype::kItalicBit), bit(truetype::kUnderscoreBit),
          bit(truetype::kStrikeoutBit), 1, face.family};
}

CatalogueCache::CatalogueCache(FileSystem& fs, QString path, QByteArray programVersion)
    : fs_(fs), path_(std::move(path)), programVersion_(std::move(programVersion)) {}

CatalogueCache::~CatalogueCache() {
  if (listingToWrite_) listingToWrite_->set_value(std::nullopt);
  if (loading_.valid()) loading_.wait();
  if (indexing_.valid()) indexing_.wait();
  if (writing_.valid()) writing_.wait();
}

int64_t CatalogueCache::settledBefore() const {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() - settleNs;
}

void CatalogueCache::startLoading() {
  if (path_.isEmpty() || started_) return;
  started_ = true;
  loading_ = inBackground([this] { return readCacheFile(fs_, path_, programVersion_); });
}

void CatalogueCache::takeLoaded() {
  startLoading();  // when nobody asked for it earlier
  if (!loading_.valid()) return;
  if (std::optional<DecodedCache> loaded = loading_.get()) {
    localeId_ = loaded->localeId;
    files_ = std::make_shared<const CachedFiles>(std::move(loaded->files));
    listing_ = std::move(loaded->listing);
  }
}

void CatalogueCache::indexAhead() {
  takeLoaded();
  if (!files_->indexed && !files_->files.empty() && !indexing_.valid())
    indexing_ = inBackground([files = files_] { files->index(); });
}

std::shared_ptr<const CachedFiles> CatalogueCache::records(int32_t localeId) {
  takeLoaded();
  if (indexing_.valid()) indexing_.get();
  if (localeId != localeId_) return std::make_shared<const CachedFiles>();
  if (!files_->indexed) files_->index();
  return files_;
}

void CatalogueCache::keep(int32_t localeId, std::shared_ptr<const CachedFiles> files, bool changed) {
  takeLoaded();
  localeId_ = localeId;
  listing_.reset();
  std::shared_ptr<const CachedFiles> earlier = std::exchange(files_, std::move(files));
  unwritten_ = unwritten_ || changed;
  if (!awaitingListing_ || path_.isEmpty()) {
    write(std::move(earlier));
    return;
  }
  // The records are encoded at once, while the list sorts; the listing follows when it is made.
  if (writing_.valid()) writing_.wait();
  std::promise<std::optional<CachedListing>>& promise = listingToWrite_.emplace();
  writing_ = inBackground([this, files = files_, earlier = std::move(earlier), localeId, records = unwritten_,
                           listing = promise.get_future()]() mutable {
    // Freed here and now: a task's captures otherwise live on until the program's own thread lets
    // go of its future, at exit.
    earlier.reset();
    std::optional<CachedListing> kept;
    const QByteArray bytes = encodeCatalogueCache(*files, localeId, programVersion_, [&]() -> const CachedListing* {
      kept = listing.get();
      return kept ? &*kept : nullptr;
    });
    if (records || kept) writeCacheFile(fs_, path_, bytes);
    files.reset();  // freed here if the program let go of them meanwhile (letGo)
  });
  unwritten_ = false;
}

void CatalogueCache::keepListing(std::optional<CachedListing> listing) {
  takeLoaded();
  awaitingListing_ = false;
  listing_ = std::move(listing);
  if (listingToWrite_) {
    listingToWrite_->set_value(listing_);
    listingToWrite_.reset();
    return;
  }
  unwritten_ = unwritten_ || listing_;
  write(nullptr);
}

void CatalogueCache::letGo() {
  takeLoaded();
  files_ = std::make_shared<const CachedFiles>();
  listing_.reset();
}

void CatalogueCache::write(std::shared_ptr<const CachedFiles> earlier) {
  if (!unwritten_ || path_.isEmpty()) return;
  unwritten_ = false;
  if (writing_.valid()) writing_.wait();  // one write at a time, the latest last
  // The earlier records go with the write, on its thread.
  writing_ = inBackground([this, files = files_, earlier = std::move(earlier), localeId = localeId_,
                           listing = listing_]() mutable {
    earlier.reset();  // as in keep()
    writeCacheFile(fs_, path_, encodeCatalogueCache(*files, localeId, programVersion_, listing ? &*listing : nullptr));
    files.reset();  // as above
  });
}
