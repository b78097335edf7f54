#pragma once
// Keeping and checking the listing that the catalogue cache holds beside its records.
#include "catalogue/catalogue_cache.h"
#include "core/list_box.h"
#include "fontfile/font_facts.h"
#include "platform/file_system.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What a list depends on besides its folders and files: the formats it lists and the folders the
// configuration names (the program and the language of the names are the cache's own).
QByteArray listingKey(int formats, const QStringList& roots);

// True when every folder of the listing and every file of the records still has the identity
// kept for it. Sets `changed` at the first one that has not, and stops once it is set.
bool listingHolds(FileSystem& fs, const CachedListing& listing, const CachedFiles& files, std::atomic<bool>& changed);

// One row of the list as --list prints it: number, name, the four style bits, the path's bytes,
// and with every format the face.
void appendListRow(std::string& rows, int number, QStringView name, const FontFacts& f, std::string_view path,
                   std::optional<uint32_t> face);
// The rows of the listing, the face in each with `faceField`; nothing once `stop` is set.
std::string listingText(const CachedListing& listing, const CachedFiles& files, bool faceField,
                        const std::atomic<bool>& stop);

// The listing of a whole list from a fill that reported no failure: the roots (there or not),
// each folder whose listing the scan tried, and the list's rows as record and face, the records
// `files` in the order the fill added the list's entries. Nothing when an entry has no record or
// anything changed since `settledBefore` (nanoseconds since the epoch): a change within the same
// tick of the file system's clock would leave an identity as it was.
std::optional<CachedListing> listingOfFill(FileSystem& fs, QByteArray key, const QStringList& roots,
                                           const QStringList& folders, const CachedFiles& files, const ListBox& list,
                                           int64_t settledBefore);
