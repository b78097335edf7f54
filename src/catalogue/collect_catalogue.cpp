#include "catalogue/collect_catalogue.h"

#include "catalogue/catalogue_details.h"
#include "catalogue/face_query.h"

#include "catalogue/catalogue_cache.h"
#include "catalogue/rank_faces.h"
#include "catalogue/read_ahead.h"
#include "fontfile/preview_pins.h"
#include "platform/file_status.h"

#include <QStringBuilder>
#include <atomic>
#include <malloc.h>
#include <optional>

namespace {
// Hands the folders to the read-ahead in scan order. The listing stays on this thread (the
// reading thread only opens and reads files); a listing that fails is handed on so its box comes
// in its folder's turn.
class FolderQueue {
 public:
  FolderQueue(FileSystem& fs, FolderScan& scan, ReadAhead& ahead, QString pattern)
      : fs_(fs), scan_(scan), ahead_(ahead), pattern_(std::move(pattern)) {}
  // The next folder after k is always queued; beyond it, folders until a few hundred entries
  // wait, so a small folder between two large ones never leaves the reading thread idle.
  void fill(qsizetype k) {
    constexpr size_t kEntriesAhead = 512;
    while (queued_ < scan_.folders().size() && (queued_ <= k + 1 || ahead_.pendingEntries() < kEntriesAhead))
      queue(queued_++);
  }

 private:
  void queue(qsizetype k) {
    std::vector<FileEntry> entries;
    std::exception_ptr failure;
    try {
      entries = scan_.files(fs_, k, pattern_);
    } catch (...) {
      failure = std::current_exception();
    }
    ahead_.queue(scan_.folder(k), std::move(entries), std::move(failure));
  }
  FileSystem& fs_;
  FolderScan& scan_;
  ReadAhead& ahead_;
  const QString pattern_;
  qsizetype queued_ = 0;
};

// The files of folder k, matched and read ahead. A file that does not open is no entry: only a
// reporter hears of it.
std::vector<MatchedFile> aheadOf(ErrorTrap& trap, ReadAhead& ahead, FolderQueue& queue, qsizetype k) {
  std::vector<MatchedFile> files, unopened;
  queue.fill(k);
  trap(108, [&] { files = ahead.next(&unopened); });
  queue.fill(k);  // this folder no longer counts as waiting
  for (const MatchedFile& file : unopened) {
    if (file.name.startsWith(QLatin1Char('~'))) continue;
    trap.setSubject(file.path);
    trap.notice(FileStatus::fromErrno(file.openError).reason);
  }
  return files;
}

// The files of the folder that can be opened, as the search gives them, each read by the list.
std::vector<MatchedFile> inTurn(FileSystem& fs, ErrorTrap& trap, const QString& folder, const QString& pattern) {
  std::vector<MatchedFile> files;
  trap(108, [&] {
    const FileNameArray names = GetFilesInFolder(fs, folder, pattern);
    for (const QString& name : names.names()) files.push_back({name, folder % QLatin1Char('/') % name});
  });
  return files;
}
}  // namespace

void collectCatalogue(AppServices& services, ErrorTrap& trap, ListBox& list, const QString& filter,
                      FontFormats formats, FactsByFace& facts, PreviewPins& pins, const PleaseWait& pleaseWait,
                      bool readAhead, CatalogueFor use, ScanTrace* trace, const QString& search) {
  const bool previews = use == CatalogueFor::Window;
  // A bad expression is the caller's fault: the window's dialog makes only good ones.
  const std::optional<FaceQuery> query = FaceQuery::parse(search);
  std::optional<CatalogueDetails> details;
  if (query && !query->isEmpty()) details.emplace(services);
  CatalogueCache* const cache = services.catalogueCache;
  trap(104, [&] { list.Clear(); });
  // Taken before anything is looked at: what changed since gets no record.
  const std::optional<TimeStamp> stamp = cache ? cache->stamp() : std::nullopt;
  if (previews) services.fs.keepListings(stamp);  // the window lists the same folders fill after fill
  FolderScan scan(trace);
  trap(106, [&] { scan.run(services, previews, stamp); });
  // Let go of only now: the scan lets the event loop run, and a face this fill loads again is
  // then still there to be taken back.
  pins.releaseAll();
  // One locale for the whole fill: the names are decoded and selected in it.
  const int32_t localeId = services.fonts.localeId();
  std::shared_ptr<const Records> earlier = cache ? cache->records(localeId) : nullptr;
  std::atomic<int> outOfDate = 0;  // the reading thread's count of records found out of date
  std::optional<ReadAhead> ahead;
  if (readAhead) ahead.emplace(services.fs, localeId, true, formats, RecordMatch{earlier.get(), stamp, &outOfDate});
  std::optional<FaceList> faces(std::in_place, services, trap, FaceList::Target{list, facts, pins, pleaseWait},
                                filter, formats, localeId, previews, earlier, scan.listedFiles(),
                                FaceList::Search{details ? &*query : nullptr, search, details ? &*details : nullptr});
  std::optional<FolderQueue> queue;
  if (ahead) queue.emplace(services.fs, scan, *ahead, fontFilePattern(formats));
  for (qsizetype k = 0; k < scan.folders().size(); ++k) {
    trap.setSubject(scan.folder(k));
    std::vector<MatchedFile> files =
        ahead ? aheadOf(trap, *ahead, *queue, k) : inTurn(services.fs, trap, scan.folder(k), fontFilePattern(formats));
    const int n = static_cast<int>(files.size());
    for (int i = 1; i <= n; ++i) {
      MatchedFile& file = files[static_cast<size_t>(i - 1)];
      if (file.name.startsWith(QLatin1Char('~'))) continue;
      trap.setSubject(file.path);
      faces->add(file, i, n);
    }
    if (ahead) ahead->recycle(std::move(files));
  }
  trap.setSubject({});
  if (ahead) {
    ahead.reset();
    // What the reading thread allocated sits freed in its own malloc arena, where nothing else
    // would reuse it: hand it back to the system.
    malloc_trim(0);
  }
  if (cache) rankFaces(list, *faces);
  faces->finishFacts(cache != nullptr);
  if (!cache) return;
  std::shared_ptr<const Records> kept = faces->records().result();
  const bool changed = faces->records().changed();
  faces.reset();
  earlier.reset();  // the cache's write frees them, on its thread
  cache->keep(localeId, std::move(kept), changed);
}
