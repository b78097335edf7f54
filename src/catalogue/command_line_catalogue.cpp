#include "catalogue/command_line_catalogue.h"

#include "catalogue/catalogue_cache.h"
#include "catalogue/collect_catalogue.h"
#include "catalogue/snapshot.h"
#include "core/error_trap.h"
#include "core/list_escape.h"
#include "core/runtime_error.h"
#include "platform/path_codec.h"

#include <atomic>
#include <future>

namespace {
// The collection's statement that lists a folder; the others work on one file.
constexpr int kListFolderLine = 108;

QString failureReason(int number, const QString& description, int line) {
  if (line == kListFolderLine) return QStringLiteral("cannot be listed: ") + description;
  // The name lookups fail so when the file gave no name table: it is no font we can use.
  if (number == errors::subscriptOutOfRange().number)
    return QStringLiteral("not a usable font file (no name table could be read)");
  return QStringLiteral("cannot be read: ") + description;
}
}  // namespace

std::string CommandLineCatalogue::rowsOfSnapshot(AppServices& services, FontFormats formats) {
  CatalogueCache* const cache = services.catalogueCache;
  if (!cache || !cache->keepsFile()) return {};
  const QByteArray key = snapshotKey(static_cast<int>(formats), catalogueRoots(services));
  const auto [records, snapshot] = cache->snapshot(services.fonts.localeId());
  if (!snapshot || snapshot->key != key) return {};
  // The rows are made on a second thread while this one looks at the folders and files.
  std::atomic<bool> changed = false;
  auto text = std::async(std::launch::async | std::launch::deferred,
                         [&] { return snapshotText(*snapshot, *records, formats == FontFormats::All, changed); });
  const bool holds = snapshotHolds(services.fs, *snapshot, *records, changed);
  std::string rows = text.get();
  return holds ? rows : std::string();
}

std::optional<CommandLineCatalogue::SnapshotRows> CommandLineCatalogue::snapshotRows(AppServices& services,
                                                                                  FontFormats formats) {
  CatalogueCache* const cache = services.catalogueCache;
  if (!cache || !cache->keepsFile()) return std::nullopt;
  const auto [records, snapshot] = cache->snapshot(services.fonts.localeId());
  if (!snapshot || snapshot->key != snapshotKey(static_cast<int>(formats), catalogueRoots(services)))
    return std::nullopt;
  std::atomic<bool> changed = false;
  if (!snapshotHolds(services.fs, *snapshot, *records, changed)) return std::nullopt;
  return SnapshotRows{records, snapshot->rows};
}

CommandLineCatalogue::CommandLineCatalogue(AppServices& services, const QString& filter, FontFormats formats,
                                           std::FILE* err, bool snapshot, bool keepRecords)
    : pins_(services.fonts) {
  ErrorTrap trap(services.prompts, QStringLiteral("Form1.LoadFonts"));
  QString reported;
  trap.setReporter([&](int number, const QString& description, int line) {
    const QString& subject = trap.subject();
    // A file that fails to read fails each later statement too: one line tells it.
    if (!subject.isEmpty() && subject == reported) return;
    reported = subject;
    ++failures;
    std::string text = "typorama: ";
    const QString reason = subject.isEmpty() ? description : failureReason(number, description, line);
    if (!subject.isEmpty()) text += escapeListField(pathToBytes(subject)) + ": ";
    text += escapeListField(reason.toStdString());
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), err);
    std::fflush(err);
  });
  CatalogueCache* const cache = services.catalogueCache;
  snapshot = snapshot && cache && cache->keepsFile();
  if (!snapshot) {
    collectCatalogue(services, trap, list, filter, formats, facts, pins_, {}, true, CatalogueFor::CommandLine);
    if (cache && keepRecords) records = cache->snapshot(services.fonts.localeId()).first;
    return;
  }
  // Taken before the fill looks at anything: the configured folders (there or not) first.
  const std::optional<TimeStamp> stamp = cache->stamp();
  const QStringList roots = catalogueRoots(services);
  std::vector<FolderIdentity> folders;
  for (const QString& root : roots) folders.emplace_back(root, services.fs.identity(root));
  cache->deferWrite();  // written once, with the snapshot
  ScanTrace trace;
  collectCatalogue(services, trap, list, filter, formats, facts, pins_, {}, true, CatalogueFor::CommandLine, &trace);
  // Kept only after a fill with no failure to tell again; an entry that is neither file nor
  // folder (a dangling link whose target may appear) would change no identity.
  std::optional<Snapshot> kept;
  const auto filled = cache->snapshot(services.fonts.localeId()).first;
  if (keepRecords) records = filled;
  if (stamp && failures == 0 && !trace.otherEntries && list.ListCount() > 0) {
    folders.insert(folders.end(), trace.folders.begin(), trace.folders.end());
    kept = snapshotOf(snapshotKey(static_cast<int>(formats), roots), std::move(folders), *filled, list, *stamp);
  }
  cache->keepSnapshot(std::move(kept));  // written while the list prints
  // Unless the caller keeps the records (and may still write its own to the cache), the command
  // needs them no more: printing goes on while they are freed.
  if (!keepRecords) cache->letGo();
}
