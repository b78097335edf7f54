#pragma once
// Style bits and family name read from a file while collecting, so the grid fill and the
// exports need not open it again.
#include <QHash>
#include <QString>
#include <cstdint>
#include <memory>

class CFontPreview;
struct Records;  // the catalogue's records of earlier reads

struct FontFacts {
  bool bold = false;
  bool italic = false;
  bool underlined = false;
  bool strikeOut = false;
  uint16_t faces = 1;   // the faces its file holds: more than one only in a collection
  QString family = {};  // name ID 1, chosen by the full name's locale rule
};

// One face of a font file: its path and its index in the file (0 but in a collection).
struct FontFace {
  QString path;
  uint32_t index = 0;
  friend bool operator==(const FontFace&, const FontFace&) = default;
};
// The path hashed with the table's seed, as a path alone is (Qt's fast string hash needs one).
inline size_t qHash(const FontFace& face, size_t seed = 0) { return qHash(face.path, seed) ^ face.index; }

struct FactsByFace : QHash<FontFace, FontFacts> {
  // What the collection that left these facts took them from, with its filter: the records of
  // its files (held, so that no later records can take their address) when it found every face
  // of them that its filter let through. A collection from the same records under the same
  // filter, or with the last one unfiltered, finds each such face here with the value it would
  // put. Nothing when unknown.
  std::shared_ptr<const Records> source;
  QString sourceKey;
};

// The facts of the face a reader has read.
FontFacts factsOf(const CFontPreview& reader);
