#pragma once
// Everything a face's own tables tell about it, beyond what the catalogue lists: all its names,
// outline format, head, OS/2, post and maxp values, variation axes and named instances, and the
// OpenType scripts and features. Read on demand (details window, property search, --info,
// --json, --where), never by a plain fill. Qt's shared strings and lists, so that the thousands
// of faces a search looks at share what their files have in common (a licence, a language list).
#include "fontfile/byte_source.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>

namespace truetype {

enum class Outline : uint8_t { None, TrueType, CFF, CFF2 };
// As fontconfig judges a face's advance widths.
enum class Spacing : uint8_t { Proportional, Dual, Mono, Charcell };

constexpr size_t kDetailNameSlots = 20;  // names indexed by name ID (kDetailNames below)

struct VariationAxis {
  QByteArray tag;                        // four characters as the file has them
  int32_t min = 0, def = 0, max = 0;     // 16.16 fixed, as read
  bool operator==(const VariationAxis&) const = default;
};

struct FaceDetails {
  std::array<QString, kDetailNameSlots> names;      // by name ID; empty where the face has none
  Outline outline = Outline::None;
  // head (hasHead false: the face has none, or it is cut short)
  bool hasHead = false;
  int32_t revision = 0;    // 16.16 fixed
  uint16_t unitsPerEm = 0;
  int64_t created = 0;     // seconds since 1904-01-01 00:00 UTC, as read
  int64_t modified = 0;
  // OS/2
  bool hasOs2 = false;
  QByteArray vendor;       // achVendID's 4 bytes untrimmed, as fontTools gives it (shown as Latin-1)
  uint16_t weight = 0, width = 0, fsSelection = 0, fsType = 0;
  // post
  bool hasPost = false;
  int32_t italicAngle = 0;  // 16.16 fixed
  // maxp
  bool hasMaxp = false;
  uint16_t glyphs = 0;
  QList<VariationAxis> axes;                 // file order
  QList<QString> instances;                  // named instances' names (subfamilyNameID), file order
  QList<QByteArray> scripts, features;       // GSUB and GPOS together: sorted, each once
  // fontconfig's judgement (filled by the platform, not the table reader)
  Spacing spacing = Spacing::Proportional;
  QList<QByteArray> languages;               // fontconfig language tags, sorted
  uint64_t fileSize = 0;
  bool operator==(const FaceDetails&) const = default;
};

// The names kept, each chosen by the full name's locale rule (selectNameString): name ID, key (as
// --json and --where name it) and label (as people read it).
struct DetailName {
  uint16_t id;
  const char* key;
  const char* label;
};
inline constexpr DetailName kDetailNames[] = {
    {0, "copyright", "Copyright"},         {1, "family", "Family"},
    {2, "subfamily", "Subfamily"},         {4, "fullName", "Full name"},
    {5, "version", "Version"},             {6, "postScriptName", "PostScript name"},
    {7, "trademark", "Trademark"},         {8, "manufacturer", "Manufacturer"},
    {9, "designer", "Designer"},           {10, "description", "Description"},
    {11, "vendorUrl", "Vendor URL"},       {12, "designerUrl", "Designer URL"},
    {13, "license", "License"},            {14, "licenseUrl", "License URL"},
    {16, "typographicFamily", "Typographic family"}, {17, "typographicSubfamily", "Typographic subfamily"},
    {19, "sampleText", "Sample text"}};

constexpr const char* outlineName(Outline o) {
  return o == Outline::TrueType ? "TrueType" : o == Outline::CFF ? "CFF" : o == Outline::CFF2 ? "CFF2" : "";
}
constexpr const char* spacingName(Spacing s) {
  return s == Spacing::Dual ? "dual" : s == Spacing::Mono ? "mono" : s == Spacing::Charcell ? "charcell" : "proportional";
}
// The least restrictive of the embedding permissions fsType sets; "installable" when it sets none.
constexpr const char* embeddingName(uint16_t fsType) {
  return (fsType & 0x8) ? "editable" : (fsType & 0x4) ? "print" : (fsType & 0x2) ? "restricted" : "installable";
}

// Reads the details of the face whose table directory is at directoryOffset (0 for a font file,
// the face's offset in a collection). False when the face has no usable table directory or no
// head with the magic number; a table that is missing or cut short is left out (its has* flag or
// list stays empty), never a crash. Names are chosen in localeId.
bool readFaceDetails(ByteSource& source, uint32_t directoryOffset, int32_t localeId, FaceDetails& out);

}  // namespace truetype
