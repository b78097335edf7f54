#pragma once
// Records: what reading a font file gave, kept so that a fill reads only the files that changed:
// per file its identity and, per face, the names and style bits that the list, the face probe,
// the grid and the exports take. A record serves only while its file's identity stays the same;
// a file that could not be read cleanly gets none, so it is read (and its failure shown) every
// time.
#include "fontfile/font_facts.h"
#include "fontfile/font_formats.h"
#include "fontfile/truetype_tables.h"
#include "platform/file_system.h"

#include <QHash>
#include <QString>
#include <QVarLengthArray>
#include <cstdint>
#include <utility>
#include <vector>

class CFontPreview;

struct RecordFace {
  // As the reader selects them in the records' locale.
  QString fullName;
  QString family;
  QString subfamily;
  uint16_t fsSelection = 0;
  // Where the face stood in the last sorted catalogue: a fill of the same entries needs no sort.
  uint32_t rank = UINT32_MAX;
  bool operator==(const RecordFace&) const = default;
};

struct Record {
  Identity identity;
  // The formats whose read this is, one bit each (formatBit): both, but for a file that starts
  // with a collection's tag, which only every format reads as a collection.
  uint8_t formats = 0;
  QVarLengthArray<RecordFace, 1> faces;  // in face order; more than one only in a collection
  bool operator==(const Record&) const = default;
};

// Records by path, in the order a fill met their files (so a folder's files are together).
// find() looks up what index() indexed.
struct Records {
  std::vector<std::pair<QString, Record>> files;
  mutable QHash<QString, uint32_t> byPath;
  mutable bool indexed = false;
  void index() const;
  const Record* find(const QString& path) const {
    const auto it = byPath.constFind(path);
    return it == byPath.cend() ? nullptr : &files[*it].second;
  }
  // Where the path's record stands; files.size() when it has none.
  size_t indexOf(const QString& path) const { return byPath.value(path, static_cast<uint32_t>(files.size())); }
  bool operator==(const Records& other) const { return files == other.files; }
};

constexpr uint8_t formatBit(FontFormats formats) { return formats == FontFormats::All ? 2 : 1; }

// The tables a reader would have read for the face: its names in the locale, its style bits.
truetype::FontTablesState tablesOf(const RecordFace& face, int32_t localeId);
FontFacts factsOf(const RecordFace& face);
// What a reader that read a face with its names gives of it.
RecordFace faceOf(const CFontPreview& reader);
