#include "catalogue/read_ahead.h"

#include <cerrno>

std::optional<ReadAheadFile> readFolderEntry(FileSystem& fs, const QString& folder, const FileEntry& entry,
                                             int32_t localeId, FontFormats formats) {
  // Opening anything but a regular file (a device, say) could block or have side effects.
  if (!entry.regular) return std::nullopt;
  truetype::FileByteSource file;
  errno = 0;
  if (!file.open(fs, folder + QLatin1Char('/') + entry.name))
    return ReadAheadFile{entry.name, std::nullopt, {}, errno ? errno : EIO};
  ReadAheadFile read{entry.name, std::nullopt, {}};
  if (entry.name.startsWith(QLatin1Char('~'))) return read;
  try {
    if (formats == FontFormats::TrueType) {
      truetype::FontTablesState tables;
      // A partial read is kept, as the reader keeps it.
      truetype::readFontTables(file, tables, localeId, kCatalogueNameIds);
      read.tables = std::move(tables);
    } else {
      auto faces = truetype::readFontFaces(file, localeId, kCatalogueNameIds);
      // A collection without faces is no usable font, as a file without a name table is not.
      read.tables = faces.empty() ? truetype::FontTablesState() : std::move(faces.front());
      for (size_t k = 1; k < faces.size(); ++k) read.laterFaces.push_back(std::move(faces[k]));
    }
  } catch (...) {
    read.failure = std::current_exception();
  }
  return read;
}

ReadAhead::ReadAhead(FileSystem& fs, int32_t localeId, bool threaded, FontFormats formats)
    : fs_(fs), localeId_(localeId), formats_(formats) {
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
  job->read.resize(job->entries.size());
  pending_ += job->entries.size();
  {
    const std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  changed_.notify_all();
}

void ReadAhead::work(Job& job) {
  const size_t n = job.entries.size();
  for (size_t i; !stop_ && (i = job.claimed.fetch_add(1)) < n;) {
    try {
      job.read[i] = readFolderEntry(fs_, job.folder, job.entries[i], localeId_, formats_);
    } catch (...) {  // out of memory, say: the file counts, and its turn shows the failure
      job.read[i] = ReadAheadFile{job.entries[i].name, std::nullopt, std::current_exception()};
    }
    if (job.finished.fetch_add(1) + 1 == n) {
      const std::lock_guard lock(mutex_);
      changed_.notify_all();
    }
  }
}

std::vector<ReadAheadFile> ReadAhead::next(std::vector<ReadAheadFile>* unopened) {
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
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return job->finished == job->entries.size(); });
    jobs_.pop_front();  // only this thread takes jobs, so the front is still this one
  }
  if (job->failure) std::rethrow_exception(job->failure);  // a failed listing has no entries
  std::vector<ReadAheadFile> files;
  files.reserve(job->entries.size());
  for (auto& read : job->read) {
    if (read && !read->openError) files.push_back(std::move(*read));
    else if (read && unopened) unopened->push_back(std::move(*read));
  }
  return files;
}

void ReadAhead::recycle(std::vector<ReadAheadFile> files) {
  if (!thread_.joinable() || files.empty()) return;  // freed here
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
    std::vector<std::vector<ReadAheadFile>> spent;
    spent.swap(spent_);
    lock.unlock();
    spent.clear();
    if (job) work(*job);
    lock.lock();
  }
}
