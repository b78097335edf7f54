#pragma once
// Reads the font files of the catalogue's folders one folder ahead of the fill, on a second
// thread: opening a file and reading its tables need no Qt font state, so they can run while
// the fill probes faces and builds the list for the folder before. Results come back in the
// order the folders were queued, so the fill's boxes, please-wait texts and list are those a
// single-threaded fill gives.
#include "fontfile/truetype_tables.h"
#include "platform/file_system.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// A file of the folder that opened as a regular file, so it counts as openable, with its
// tables as read, or what the reading threw (the fill rethrows it where it would have arisen).
struct ReadAheadFile {
  QString name;
  std::optional<truetype::FontTablesState> tables;  // none for names starting with "~": never read
  std::exception_ptr failure;
};

// Opens each entry of `folder` once; the open answers "can it be opened" and serves the read.
// Entries not known to be regular files are not opened at all. `stop` is checked between files.
std::vector<ReadAheadFile> readFolderFiles(const QString& folder, const std::vector<FileEntry>& entries,
                                           int32_t localeId, const std::atomic<bool>* stop = nullptr);

class ReadAhead {
 public:
  // threaded false, or no thread to be had, reads each folder when the fill asks for it: the
  // same results on one thread.
  ReadAhead(int32_t localeId, bool threaded);
  ~ReadAhead();  // stops the reading between two files and waits for the thread
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The fill queues a folder before taking the one before it, so at most two folders' files are
  // held at once.
  // A listing that failed is queued as its failure, for next() to rethrow in the folder's turn.
  void queue(QString folder, std::vector<FileEntry> entries, std::exception_ptr listingFailure = {});
  // The files of the oldest queued folder, waiting for them; rethrows what reading it threw
  // outside any one file. Nothing when no folder is queued.
  std::vector<ReadAheadFile> next();

 private:
  struct Job {
    QString folder;
    std::vector<FileEntry> entries;
    std::exception_ptr failure;
  };
  struct Done {
    std::vector<ReadAheadFile> files;
    std::exception_ptr failure;
  };
  std::vector<ReadAheadFile> read(const Job& job);
  void run();

  const int32_t localeId_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> jobs_;
  std::deque<Done> done_;
  bool busy_ = false;  // the thread holds a job taken from jobs_
  std::atomic<bool> stop_ = false;
  std::thread thread_;
};
