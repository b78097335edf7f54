#pragma once
// The details of faces kept with the records: each face's details (read for a property search
// or --json) by the identity its file had when they were read, and the face. They serve only a
// file of that very identity (device, inode, size and times), and are written only while a record
// has it, so the records' rules (settled before the stamp, keyed on the program and reader) hold
// for them too. The identity, not the path: the path is no part of the details, and a file's
// identity already names it.
#include "catalogue/records.h"
#include "fontfile/face_details.h"
#include "platform/file_system.h"

#include <QByteArrayView>
#include <QHash>
#include <optional>
#include <string>

struct DetailsKey {
  Identity identity;
  uint32_t face = 0;
  bool operator==(const DetailsKey&) const = default;
};
inline size_t qHash(const DetailsKey& k, size_t seed = 0) {
  return qHashMulti(seed, k.identity.device, k.identity.inode, k.identity.size, k.identity.modifiedNs,
                    k.identity.changedNs, k.face);
}
using DetailsByFace = QHash<DetailsKey, truetype::FaceDetails>;

// The details' section of the cache's file, their strings and lists each written once.
std::string encodeDetails(const DetailsByFace& details, const Records& records);
// Nothing when anything in the bytes is odd: every count and index is checked.
std::optional<DetailsByFace> decodeDetails(QByteArrayView section);
