#include "catalogue/read_ahead.h"

#include "platform/path_codec.h"

std::vector<ReadAheadFile> readFolderFiles(const QString& folder, const std::vector<FileEntry>& entries,
                                           int32_t localeId, const std::atomic<bool>* stop) {
  std::vector<ReadAheadFile> files;
  for (const FileEntry& entry : entries) {
    if (stop && *stop) break;
    // Opening anything but a regular file (a device, say) could block or have side effects.
    if (!entry.regular) continue;
    truetype::FileByteSource file;
    if (!file.open(pathToBytes(folder + QLatin1Char('/') + entry.name))) continue;
    ReadAheadFile& read = files.emplace_back();
    read.name = entry.name;
    if (entry.name.startsWith(QLatin1Char('~'))) continue;
    try {
      truetype::FontTablesState tables;
      truetype::readFontTables(file, tables, localeId);  // a partial read is kept, as the reader does
      read.tables = std::move(tables);
    } catch (...) {
      read.failure = std::current_exception();
    }
  }
  return files;
}

ReadAhead::ReadAhead(int32_t localeId, bool threaded) : localeId_(localeId) {
  if (!threaded) return;
  try {
    thread_ = std::thread([this] { run(); });
  } catch (const std::system_error&) {
    // No thread to be had: next() reads inline.
  }
}

std::vector<ReadAheadFile> ReadAhead::read(const Job& job) {
  if (job.failure) std::rethrow_exception(job.failure);
  return readFolderFiles(job.folder, job.entries, localeId_, &stop_);
}

ReadAhead::~ReadAhead() {
  {
    const std::lock_guard lock(mutex_);  // so the thread cannot miss the wake-up
    stop_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void ReadAhead::queue(QString folder, std::vector<FileEntry> entries, std::exception_ptr listingFailure) {
  {
    const std::lock_guard lock(mutex_);
    jobs_.push_back({std::move(folder), std::move(entries), std::move(listingFailure)});
  }
  changed_.notify_all();
}

std::vector<ReadAheadFile> ReadAhead::next() {
  if (!thread_.joinable()) {
    if (jobs_.empty()) return {};
    const Job job = std::move(jobs_.front());
    jobs_.pop_front();
    return read(job);
  }
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return !done_.empty() || (jobs_.empty() && !busy_); });
  if (done_.empty()) return {};
  Done done = std::move(done_.front());
  done_.pop_front();
  if (done.failure) std::rethrow_exception(done.failure);
  return std::move(done.files);
}

void ReadAhead::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stop_ || !jobs_.empty(); });
    if (stop_) return;
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    busy_ = true;
    lock.unlock();
    Done done;
    try {
      done.files = read(job);
    } catch (...) {
      done.failure = std::current_exception();
    }
    lock.lock();
    busy_ = false;
    done_.push_back(std::move(done));
    changed_.notify_all();
  }
}
