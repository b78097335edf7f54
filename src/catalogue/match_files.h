#pragma once
// The second stage of a catalogue: each listed file matched to its record of an earlier read, or
// read now. Runs on the read-ahead's thread as well as the fill's.
#include "catalogue/records.h"
#include "fontfile/font_formats.h"
#include "fontfile/truetype_tables.h"
#include "platform/file_system.h"

#include <QString>
#include <atomic>
#include <exception>
#include <optional>
#include <vector>

// The names the fill asks a reader for (family, subfamily and full name): the others, long
// copyright and trademark texts among them, are not decoded.
constexpr uint8_t kCatalogueNameIds =
    truetype::nameIdBit(1) | truetype::nameIdBit(2) | truetype::nameIdBit(4);

// A file whose record of an earlier read still holds, not opened; or one that opened as a regular
// file, so it counts as openable, with its tables as read, or what the reading threw (the fill
// rethrows it where it would have arisen); or one that did not open, with the errno why.
struct MatchedFile {
  QString name;
  QString path;  // the folder's, "/" and the name
  const Record* record = nullptr;  // the record that holds: nothing was read
  std::optional<truetype::FontTablesState> tables = {};  // none for names starting with "~": never read
  // With every format read: a collection's faces after the first (which `tables` holds).
  std::vector<truetype::FontTablesState> laterFaces = {};
  std::exception_ptr failure = {};
  int openError = 0;
  // For a clean read (to its end, every face with its names) of a file settled before the stamp:
  // its record, but for the faces, which the fill adds from its readers.
  std::optional<Record> newRecord = {};
};

// The records a fill may match files to, and the stamp a file must be settled before to get a
// record of its own. Without records nothing is matched or recorded; without a stamp nothing is
// recorded.
struct RecordMatch {
  const Records* records = nullptr;
  std::optional<TimeStamp> stamp;
  // Records found out of date less those found to hold. When far more fail than hold (a cache
  // from before most files changed), a file with a record is opened at once and the record
  // checked against the open's own identity: the separate look would only fail.
  std::atomic<int>* outOfDate = nullptr;
};

// Matches the entry to its record, by the file's identity (looked up in `opened`, the folder held
// open, when given): a file whose record holds is neither opened nor read. Else opens it once:
// the open answers "can it be opened" and serves the read. Nothing for an entry not known to be
// a regular file (never opened at all). Its record is looked for first at `recordAt`.
std::optional<MatchedFile> matchFile(FileSystem& fs, const QString& folder, const FileEntry& entry, int32_t localeId,
                                     FontFormats formats = FontFormats::TrueType, const RecordMatch& match = {},
                                     OpenFolder* opened = nullptr, size_t recordAt = SIZE_MAX);
