#pragma once
// The snapshot: the last whole list the command line printed from the records, kept with them.
// It holds what that list depended on besides the files: the key of its formats and configured
// folders, each configured folder (there or not) and every folder whose entries its fill read,
// with its identity as it was before they were read, and its rows as record and face. A folder's
// entries change only with its identity (an entry added, removed or renamed gives it a new
// modification time), so while no folder and no file of it changed, the rows are the list a
// scan and a fill would give.
#include "catalogue/records.h"
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

// A folder and its identity; nothing: no folder there.
using FolderIdentity = std::pair<QString, std::optional<Identity>>;

struct Snapshot {
  QByteArray key;
  std::vector<FolderIdentity> folders;
  std::vector<std::pair<uint32_t, uint16_t>> rows;  // index in the records, face
  bool operator==(const Snapshot&) const = default;
};

// What a list depends on besides its folders and files: the formats it lists and the folders the
// configuration names (the program, reader and language of the names are the cache's own).
QByteArray snapshotKey(int formats, const QStringList& roots);

// True when every folder of the snapshot and every file of the records still has the identity
// kept for it. Sets `changed` at the first one that has not, and stops once it is set.
bool snapshotHolds(FileSystem& fs, const Snapshot& snapshot, const Records& records, std::atomic<bool>& changed);

// One row of the list as --list prints it: number, name, the four style bits, the path's bytes,
// and with every format the face.
void appendListRow(std::string& rows, int number, QStringView name, const FontFacts& f, std::string_view path,
                   std::optional<uint32_t> face);
// The rows of the snapshot, the face in each with `faceField`; nothing once `stop` is set.
std::string snapshotText(const Snapshot& snapshot, const Records& records, bool faceField,
                         const std::atomic<bool>& stop);

// The snapshot of a whole list from a fill that reported no failure: `folders` are the configured
// ones and those whose entries the fill read, the list's rows become record and face, the records
// `records` in the order the fill added the list's entries. Nothing when an entry has no record
// or a folder or file is not settled before the stamp, taken before the fill.
std::optional<Snapshot> snapshotOf(QByteArray key, std::vector<FolderIdentity> folders, const Records& records,
                                   const ListBox& list, const TimeStamp& stamp);
