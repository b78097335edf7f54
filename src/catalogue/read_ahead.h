#pragma once
// Matches or reads the font files of the catalogue's folders ahead of the fill, on a second
// thread: opening a file and reading its tables need no Qt font state, so they run while the fill
// probes faces and builds the list. The filling thread reads too whenever it would otherwise
// wait. Results come back per folder in the order the folders were queued and, within a
// folder, in listing order, so the fill's boxes, please-wait texts and list are those a
// single-threaded fill gives.
#include "catalogue/match_files.h"
#include "fontfile/font_formats.h"
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

class ReadAhead {
 public:
  // threaded false, or no thread to be had: next() reads each folder itself, with the same results.
  // fs is read from the reading thread too (FileSystem::openForReading).
  ReadAhead(FileSystem& fs, int32_t localeId, bool threaded, FontFormats formats = FontFormats::TrueType,
            RecordMatch match = {});
  ~ReadAhead();  // stops the thread between two files and waits for it
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // A listing that failed is queued as its failure, for next() to rethrow in the folder's turn.
  void queue(QString folder, std::vector<FileEntry> entries, std::exception_ptr listingFailure = {});
  // The files of the oldest queued folder that opened, in listing order; reads those the thread
  // has not started on and waits for the rest. Nothing when no folder is queued. Those that did
  // not open go to `unopened` when given.
  std::vector<MatchedFile> next(std::vector<MatchedFile>* unopened = nullptr);
  // Hands back files the fill is done with, for the reading thread to free: memory freed on
  // another thread than the one that allocated it costs a lock, contended by that thread's
  // allocations, on each free.
  void recycle(std::vector<MatchedFile> files);
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
    std::vector<std::optional<MatchedFile>> read;  // one per entry
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
  const RecordMatch match_;
  size_t pending_ = 0;  // filling thread only
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Job>> jobs_;  // queued and not yet taken by next()
  std::vector<std::vector<MatchedFile>> spent_;  // handed back, not yet freed
  std::atomic<bool> stop_ = false;
  std::thread thread_;
};
