#include "catalogue/read_ahead.h"

#include <QStringBuilder>
#include <algorithm>

ReadAhead::ReadAhead(FileSystem& fs, int32_t localeId, bool threaded, FontFormats formats, RecordMatch match)
    : fs_(fs), localeId_(localeId), formats_(formats), match_(std::move(match)) {
  if (!threaded) return;
  try {
    thread_ = std::thread([this] { run(); });
  } catch (const std::system_error&) {
    // No thread to be had: next() reads everything itself.
  }
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
  auto job = std::make_shared<Job>();
  job->folder = std::move(folder);
  job->entries = std::move(entries);
  job->failure = std::move(listingFailure);
  if (match_.records && !match_.records->files.empty() && !job->entries.empty()) {
    job->opened = fs_.openFolder(job->folder);
    job->firstRecord = match_.records->indexOf(job->folder % QLatin1Char('/') % job->entries.front().name);
  }
  job->read.resize(job->entries.size());
  pending_ += job->entries.size();
  {
    const std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  changed_.notify_all();
}

bool ReadAhead::workOne(Job& job) {
  const size_t n = job.entries.size();
  size_t i;
  if (stop_ || (i = job.claimed.fetch_add(1)) >= n) return false;
  try {
    const size_t recordAt = job.firstRecord == SIZE_MAX ? SIZE_MAX : job.firstRecord + i;
    job.read[i] = matchFile(fs_, job.folder, job.entries[i], localeId_, formats_, match_, job.opened.get(), recordAt);
  } catch (...) {  // out of memory, say: the file counts, and its turn shows the failure
    job.read[i] = MatchedFile{.name = job.entries[i].name,
                              .path = job.folder % QLatin1Char('/') % job.entries[i].name,
                              .failure = std::current_exception()};
  }
  if (job.finished.fetch_add(1) + 1 == n) {
    const std::lock_guard lock(mutex_);
    changed_.notify_all();
  }
  return true;
}

void ReadAhead::work(Job& job) {
  while (workOne(job)) {
  }
}

bool ReadAhead::workOnLater() {
  std::shared_ptr<Job> later;
  {
    const std::lock_guard lock(mutex_);
    for (size_t k = 1; k < jobs_.size() && !later; ++k)
      if (jobs_[k]->claimed < jobs_[k]->entries.size()) later = jobs_[k];
  }
  return later && workOne(*later);
}

std::vector<MatchedFile> ReadAhead::next(std::vector<MatchedFile>* unopened) {
  std::shared_ptr<Job> job;
  {
    // The job stays queued until it is read, so the reading thread keeps helping with it (a
    // single folder of thousands of files would otherwise be read by this thread alone).
    const std::lock_guard lock(mutex_);
    if (jobs_.empty()) return {};
    job = jobs_.front();
  }
  pending_ -= job->entries.size();
  work(*job);
  // While the reading thread ends its last files of this folder, this thread reads the files
  // of later folders, one at a time, rather than sleep and be woken (a pair of system calls a
  // folder, in a tree of thousands of small folders).
  while (job->finished != job->entries.size() && workOnLater()) {
  }
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return job->finished == job->entries.size(); });
    jobs_.pop_front();  // only this thread takes jobs, so the front is still this one
  }
  if (job->failure) std::rethrow_exception(job->failure);  // a failed listing has no entries
  std::vector<MatchedFile> files;
  files.reserve(job->entries.size());
  for (auto& read : job->read) {
    if (read && !read->openError) files.push_back(std::move(*read));
    else if (read && unopened) unopened->push_back(std::move(*read));
  }
  return files;
}

void ReadAhead::recycle(std::vector<MatchedFile> files) {
  // Only read tables are worth a hand-over; files known from their records hold next to nothing.
  const bool read = std::any_of(files.begin(), files.end(), [](const MatchedFile& f) { return f.tables.has_value(); });
  if (!thread_.joinable() || !read) return;  // freed here
  {
    const std::lock_guard lock(mutex_);
    spent_.push_back(std::move(files));
  }
  changed_.notify_all();
}

void ReadAhead::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    std::shared_ptr<Job> job;
    changed_.wait(lock, [&] {
      job.reset();
      for (const auto& j : jobs_) {
        if (j->claimed < j->entries.size()) {
          job = j;
          break;
        }
      }
      return stop_ || job || !spent_.empty();
    });
    if (stop_) return;
    std::vector<std::vector<MatchedFile>> spent;
    spent.swap(spent_);
    lock.unlock();
    spent.clear();
    if (job) work(*job);
    lock.lock();
  }
}
