#pragma once
// Reads the font files of the catalogue's folders ahead of the fill, on a second thread:
// opening a file and reading its tables need no Qt font state, so they run while the fill
// probes faces and builds the list. The filling thread reads too whenever it would otherwise
// wait. Results come back per folder in the order the folders were queued and, within a
// folder, in listing order, so the fill's boxes, please-wait texts and list are those a
// single-threaded fill gives.
#include "catalogue/catalogue_cache.h"
#include "fontfile/font_formats.h"
#include "fontfile/truetype_tables.h"
#include "platform/file_system.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// The names the fill asks a reader for (family, subfamily and full name): the others, long
// copyright and trademark texts among them, are not decoded.
constexpr uint8_t kCatalogueNameIds =
    truetype::nameIdBit(1) | truetype::nameIdBit(2) | truetype::nameIdBit(4);

// A file that opened as a regular file, so it counts as openable, with its tables as read, or
// what the reading threw (the fill rethrows it where it would have arisen); or one that did not
// open, with the errno why; or one whose record of an earlier read still holds, not opened.
struct ReadAheadFile {
  QString name;
  QString path;  // the folder's, "/" and the name
  std::optional<truetype::FontTablesState> tables = {};  // none for names starting with "~": never read
  std::exception_ptr failure = {};
  int openError = 0;
  // With every format read: a collection's faces after the first (which `tables` holds).
  std::vector<truetype::FontTablesState> laterFaces = {};
  const CachedFile* known = nullptr;  // the record that holds: nothing was read
  // For a clean read (to its end, every face with its names) of a file that has not changed too
  // lately: its record, but for the faces, which the fill adds from its readers.
  std::optional<CachedFile> fresh = {};
};

// The records of earlier reads that a fill may take, and the time (nanoseconds since the epoch)
// a file must have last changed before to get a record of its own. Without records nothing is
// taken or recorded.
struct KnownFiles {
  const CachedFiles* records = nullptr;
  int64_t settledBefore = 0;
  // Records found out of date less those found to hold. When far more fail than hold (a cache
  // from before most files changed), a file with a record is opened at once and the record
  // checked against the open's own identity: the separate look would only fail.
  std::atomic<int>* outOfDate = nullptr;
};

// Opens the entry once: the open answers "can it be opened" and serves the read. Nothing for
// an entry not known to be a regular file (never opened at all). An entry whose record holds,
// by the file's identity (looked up in `opened`, the folder held open, when given), is neither
// opened nor read. Its record is looked for first at `recordAt` of the records.
std::optional<ReadAheadFile> readFolderEntry(FileSystem& fs, const QString& folder, const FileEntry& entry,
                                             int32_t localeId, FontFormats formats = FontFormats::TrueType,
                                             const KnownFiles& known = {}, OpenFolder* opened = nullptr,
                                             size_t recordAt = SIZE_MAX);

class ReadAhead {
 public:
  // threaded false, or no thread to be had: next() reads each folder itself, with the same results.
  // fs is read from the reading thread too (FileSystem::openForReading).
  ReadAhead(FileSystem& fs, int32_t localeId, bool threaded, FontFormats formats = FontFormats::TrueType,
            KnownFiles known = {});
  ~ReadAhead();  // stops the thread between two files and waits for it
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // A listing that failed is queued as its failure, for next() to rethrow in the folder's turn.
  void queue(QString folder, std::vector<FileEntry> entries, std::exception_ptr listingFailure = {});
  // The files of the oldest queued folder that opened, in listing order; reads those the thread
  // has not started on and waits for the rest. Nothing when no folder is queued. Those that did
  // not open go to `unopened` when given.
  std::vector<ReadAheadFile> next(std::vector<ReadAheadFile>* unopened = nullptr);
  // Hands back files the fill is done with, for the reading thread to free: memory freed on
  // another thread than the one that allocated it costs a lock, contended by that thread's
  // allocations, on each free.
  void recycle(std::vector<ReadAheadFile> files);
  // Entries of the folders queued and not yet taken: the fill queues a few hundred ahead, which
  // bounds what is held.
  size_t pendingEntries() const { return pending_; }

 private:
  struct Job {
    QString folder;
    std::vector<FileEntry> entries;
    std::exception_ptr failure;
    std::unique_ptr<OpenFolder> opened;  // while records are there to check its files against
    // Where the first entry's record stands: a folder met as before has the records of its
    // files one after another, in its order.
    size_t firstRecord = SIZE_MAX;
    std::vector<std::optional<ReadAheadFile>> read;  // one per entry
    std::atomic<size_t> claimed = 0;                 // entries taken by either thread
    std::atomic<size_t> finished = 0;
  };
  // Reads one unclaimed entry of the job; false when none was left.
  bool workOne(Job& job);
  // Reads entries of the job until none is left unclaimed.
  void work(Job& job);
  // Reads one unclaimed entry of a folder queued after the oldest; false when there was none.
  bool workOnLater();
  void run();

  FileSystem& fs_;
  const int32_t localeId_;
  const FontFormats formats_;
  const KnownFiles known_;
  size_t pending_ = 0;  // filling thread only
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Job>> jobs_;  // queued and not yet taken by next()
  std::vector<std::vector<ReadAheadFile>> spent_;  // handed back, not yet freed
  std::atomic<bool> stop_ = false;
  std::thread thread_;
};
