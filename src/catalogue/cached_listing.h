#pragma once
// Keeping and checking the listing that the catalogue cache holds beside its records.
#include "catalogue/catalogue_cache.h"
#include "core/list_box.h"
#include "platform/file_system.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What a list depends on besides its folders and files: the formats it lists and the folders the
// configuration names (the program and the language of the names are the cache's own).
QByteArray listingKey(int formats, const QStringList& roots);

// The system's bytes of each record's path, one after another.
struct PathBytes {
  std::string bytes;  // each path ends with a zero byte
  std::vector<size_t> starts;
  std::string_view operator[](size_t k) const {
    return std::string_view(bytes).substr(starts[k], (k + 1 < starts.size() ? starts[k + 1] : bytes.size()) - starts[k] - 1);
  }
};

// True when every folder of the listing and every file of the records still has the identity
// kept for it; `paths` then holds the bytes of the records' paths.
bool listingHolds(FileSystem& fs, const CachedListing& listing, const CachedFiles& files, PathBytes& paths);

// The listing of a whole list from a fill that reported no failure: the roots (there or not),
// each folder whose listing the scan tried, and the list's rows as record and face, the records
// `files` in the order the fill added the list's entries. Nothing when an entry has no record or
// anything changed since `settledBefore` (nanoseconds since the epoch): a change within the same
// tick of the file system's clock would leave an identity as it was.
std::optional<CachedListing> listingOfFill(FileSystem& fs, QByteArray key, const QStringList& roots,
                                           const QStringList& folders, const CachedFiles& files, const ListBox& list,
                                           int64_t settledBefore);
