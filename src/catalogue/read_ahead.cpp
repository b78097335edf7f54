#include "catalogue/read_ahead.h"

#include <QStringBuilder>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
// The record of a read that ran to its end and gave every face its names, from a file that has
// not changed too lately for its identity to tell; its faces are the fill's to add.
std::optional<CachedFile> recordOf(truetype::FileByteSource& file, const ReadAheadFile& read, FontFormats formats,
                                   const KnownFiles& known) {
  const std::optional<FileIdentity> identity = file.identity();
  if (!identity || identity->changedNs >= known.settledBefore) return std::nullopt;
  for (size_t k = 0; k <= read.laterFaces.size(); ++k) {
    const truetype::FontTablesState& face = k == 0 ? *read.tables : read.laterFaces[k - 1];
    if (!face.validTrueTypeFile || !face.nameRecords) return std::nullopt;
  }
  // A file with a collection's tag reads otherwise with every format than without.
  char tag[4];
  const bool collection = file.readAt(0, tag, sizeof tag) && std::memcmp(tag, "ttcf", 4) == 0;
  const auto both = static_cast<uint8_t>(formatBit(FontFormats::TrueType) | formatBit(FontFormats::All));
  return CachedFile{*identity, collection ? formatBit(formats) : both, {}};
}
}  // namespace

std::optional<ReadAheadFile> readFolderEntry(FileSystem& fs, const QString& folder, const FileEntry& entry,
                                             int32_t localeId, FontFormats formats, const KnownFiles& known,
                                             OpenFolder* opened, size_t recordAt) {
  // Opening anything but a regular file (a device, say) could block or have side effects.
  if (!entry.regular) return std::nullopt;
  const bool skipped = entry.name.startsWith(QLatin1Char('~'));
  // The record at `recordAt` is this file's when its path is the folder's, "/" and the name: the
  // file then takes the record's copy of its path, neither built nor hashed.
  const CachedFile* record = nullptr;
  QString path;
  if (known.records && !skipped && recordAt < known.records->files.size()) {
    const auto& [kept, file] = known.records->files[recordAt];
    if (kept.size() == folder.size() + 1 + entry.name.size() && kept.startsWith(folder) &&
        kept[folder.size()] == QLatin1Char('/') && kept.endsWith(entry.name)) {
      path = kept;
      record = &file;
    }
  }
  if (!record) {
    path = folder % QLatin1Char('/') % entry.name;
    if (known.records && !skipped) record = known.records->find(path);
  }
  if (record && !(record->formats & formatBit(formats))) record = nullptr;
  constexpr int kOpenAtOnce = 64;
  const auto holds = [&](const std::optional<FileIdentity>& identity) {
    const bool same = identity == record->identity;
    // Counted only up to twice the turn either way: both threads write the count, and a write
    // for every file would pass its cache line from core to core 25,000 times.
    const int count = known.outOfDate ? known.outOfDate->load(std::memory_order_relaxed) : 0;
    if (known.outOfDate && (same ? count > -2 * kOpenAtOnce : count < 2 * kOpenAtOnce))
      *known.outOfDate += same ? -1 : 1;
    return same;
  };
  const bool lookFirst = record && (!known.outOfDate || *known.outOfDate < kOpenAtOnce);
  if (lookFirst && holds(opened ? opened->fileIdentity(entry.name) : fs.fileIdentity(path))) return ReadAheadFile{entry.name, path, std::nullopt, {}, 0, {}, record};
  truetype::FileByteSource file;
  errno = 0;
  // Without records the file's identity is never asked for, and its size seldom: the open makes
  // no status query. With them, the identity is the one the file had as it was opened.
  if (!(known.records ? file.open(fs, path) : file.openListed(fs, path))) return ReadAheadFile{entry.name, path, std::nullopt, {}, errno ? errno : EIO};
  if (record && !lookFirst && holds(file.identity())) return ReadAheadFile{entry.name, path, std::nullopt, {}, 0, {}, record};
  ReadAheadFile read{entry.name, path, std::nullopt, {}};
  if (skipped) return read;
  try {
    bool complete = false;
    if (formats == FontFormats::TrueType) {
      truetype::FontTablesState tables;
      // A partial read is kept, as the reader keeps it.
      // Only the names read are kept: the fill copies the tables into its reader, on its thread.
      complete = truetype::readFontTables(file, tables, localeId, kCatalogueNameIds, 0,
                                          truetype::NameRecordsKept::Decoded);
      read.tables = std::move(tables);
    } else {
      auto faces = truetype::readFontFaces(file, localeId, kCatalogueNameIds, &complete);
      // A collection without faces is no usable font, as a file without a name table is not.
      complete = complete && !faces.empty();
      read.tables = faces.empty() ? truetype::FontTablesState() : std::move(faces.front());
      for (size_t k = 1; k < faces.size(); ++k) read.laterFaces.push_back(std::move(faces[k]));
    }
    if (known.records && complete) read.fresh = recordOf(file, read, formats, known);
  } catch (...) {
    read.failure = std::current_exception();
  }
  return read;
}

ReadAhead::ReadAhead(FileSystem& fs, int32_t localeId, bool threaded, FontFormats formats, KnownFiles known)
    : fs_(fs), localeId_(localeId), formats_(formats), known_(known) {
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
  if (known_.records && !known_.records->files.empty() && !job->entries.empty()) {
    job->opened = fs_.openFolder(job->folder);
    job->firstRecord = known_.records->indexOf(job->folder % QLatin1Char('/') % job->entries.front().name);
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
    job.read[i] = readFolderEntry(fs_, job.folder, job.entries[i], localeId_, formats_, known_, job.opened.get(), recordAt);
  } catch (...) {  // out of memory, say: the file counts, and its turn shows the failure
    job.read[i] = ReadAheadFile{job.entries[i].name, job.folder % QLatin1Char('/') % job.entries[i].name,
                                std::nullopt, std::current_exception()};
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
  std::vector<ReadAheadFile> files;
  files.reserve(job->entries.size());
  for (auto& read : job->read) {
    if (read && !read->openError) files.push_back(std::move(*read));
    else if (read && unopened) unopened->push_back(std::move(*read));
  }
  return files;
}

void ReadAhead::recycle(std::vector<ReadAheadFile> files) {
  // Only read tables are worth a hand-over; files known from their records hold next to nothing.
  const bool read = std::any_of(files.begin(), files.end(), [](const ReadAheadFile& f) { return f.tables.has_value(); });
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
    std::vector<std::vector<ReadAheadFile>> spent;
    spent.swap(spent_);
    lock.unlock();
    spent.clear();
    if (job) work(*job);
    lock.lock();
  }
}
