#pragma once
// The details of faces kept with the records: each face's details (read for a property search
// or --json) with the identity its file had when they were read. They serve only while the file
// keeps that identity, and are written only beside a record of that identity, so the records'
// rules (settled before the stamp, keyed on the program and reader) hold for them too.
#include "catalogue/records.h"
#include "fontfile/face_details.h"
#include "fontfile/font_facts.h"
#include "platform/file_system.h"

#include <QByteArrayView>
#include <QHash>
#include <optional>
#include <string>

struct KeptDetails {
  Identity identity;
  truetype::FaceDetails details;
  bool operator==(const KeptDetails&) const = default;
};
using DetailsByFace = QHash<FontFace, KeptDetails>;

// The details' section of the cache's file, their strings and lists each written once.
std::string encodeDetails(const DetailsByFace& details, const Records& records);
// Nothing when anything in the bytes is odd: every count and index is checked.
std::optional<DetailsByFace> decodeDetails(QByteArrayView section);
