#pragma once
// Writes TrueType files byte by byte, so each test states exactly the bytes it reads:
//   FontBuilder().name(3, 0x409, 4, u"Foo Bold").fsSelection(0x21).build()
// By default a file has a head table with the magic number and a name table (with whatever
// records were added); OS/2 appears once fsSelection() is called. The corruption options
// change single fields after the layout is made.
#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

class FontBuilder {
 public:
  FontBuilder() = default;

  FontBuilder& sfntVersion(uint32_t value);  // 0x00010000 by default; "OTTO" for CFF outlines
  FontBuilder& magic(uint32_t value);  // head's magicNumber (0x5F0F3CF5 by default)
  FontBuilder& withoutHead();
  FontBuilder& withoutName();
  // A name record. Platforms 0 and 3 store UTF-16 big-endian, platform 1 one byte per char.
  FontBuilder& name(uint16_t platformID, uint16_t languageID, uint16_t nameID, std::u16string_view text);
  FontBuilder& name(uint16_t platformID, uint16_t languageID, uint16_t nameID, const QString& text);
  // A record whose string storage holds exactly these bytes.
  FontBuilder& nameBytes(uint16_t platformID, uint16_t languageID, uint16_t nameID, const QByteArray& bytes);
  // A record with the given length and offset and no bytes of its own (for hostile files).
  FontBuilder& rawNameRecord(uint16_t platformID, uint16_t languageID, uint16_t nameID,
                             uint16_t length, uint16_t offset);
  FontBuilder& nameCount(uint16_t count);         // overrides the header's count
  FontBuilder& stringOffsetGap(uint32_t bytes);   // filler between records and string storage
  FontBuilder& stringStartGap(uint32_t bytes);    // filler at the start of the string storage
  FontBuilder& fsSelection(uint16_t value);       // adds an OS/2 table of os2Size() bytes
  FontBuilder& os2Size(uint32_t bytes);           // 86 by default
  // An extra table, placed after head, name and OS/2 in the directory and in the file.
  FontBuilder& table(const QByteArray& tag, const QByteArray& data);
  // Directory order by tag; tags not listed keep their order after the listed ones.
  FontBuilder& order(const QList<QByteArray>& tags);
  FontBuilder& numTables(uint16_t count);         // overrides the offset table's count
  FontBuilder& tableOffset(const QByteArray& tag, uint32_t offset);  // first entry of that tag
  FontBuilder& truncate(qsizetype size);          // cuts the finished file

  QByteArray nameTable() const;  // the name table alone, as build() lays it out
  QByteArray build() const;
  bool writeTo(const QString& path) const;

 private:
  struct Record {
    uint16_t platformID, encodingID, languageID, nameID;
    QByteArray bytes;
    std::optional<uint16_t> length, offset;  // raw records only
  };
  struct Table {
    QByteArray tag, data;
  };
  uint32_t sfntVersion_ = 0x00010000;
  uint32_t magic_ = 0x5F0F3CF5;
  bool head_ = true, name_ = true;
  std::vector<Record> records_;
  std::optional<uint16_t> nameCount_;
  uint32_t stringOffsetGap_ = 0, stringStartGap_ = 0;
  std::optional<uint16_t> fsSelection_;
  uint32_t os2Size_ = 86;
  std::vector<Table> extra_;
  QList<QByteArray> order_;
  std::optional<uint16_t> numTables_;
  std::vector<std::pair<QByteArray, uint32_t>> offsets_;
  std::optional<qsizetype> truncate_;
};

// Big-endian helpers for tests that patch bytes themselves.
void putU16(QByteArray& out, qsizetype at, uint16_t v);
void putU32(QByteArray& out, qsizetype at, uint32_t v);

// An fvar table (version 1.0): its axes (16.16 values) and the subfamily name ID of each named
// instance, with the record sizes the header states (0: the sizes the axes need).
struct FvarAxis {
  QByteArray tag;
  int32_t min, def, max;
};
QByteArray fvarTable(const QList<FvarAxis>& axes, const QList<uint16_t>& instanceNameIds, uint16_t axisSize = 20,
                     uint16_t instanceSize = 0);
// A GSUB or GPOS table (version 1.0) whose ScriptList and FeatureList name these tags.
QByteArray layoutTable(const QList<QByteArray>& scripts, const QList<QByteArray>& features);

// A collection ("ttcf") of the given fonts in order, each table where its font put it, moved
// along with the font. `version` is the header's 32-bit version.
QByteArray fontCollection(const std::vector<QByteArray>& fonts, uint32_t version = 0x00010000);

// A hostile font: a name table of 65,535 records that all name the same 65,535 bytes, so that
// decoding every record would take gigabytes. Its full name is 32,767 characters long.
QByteArray forgedNameTableFont();

// A cmap table: its encoding records in order, each subtable laid out after them in turn (at
// 4-byte boundaries, nothing after the last) and pointed at, or at `offset` for hostile files.
struct CmapSubtable {
  uint16_t platformID, encodingID;
  QByteArray data;
  std::optional<uint32_t> offset = std::nullopt;
};
QByteArray cmapTable(const QList<CmapSubtable>& subtables);
// A format-4 subtable: its segments in order (the caller adds the last one, 0xFFFF..0xFFFF with
// delta 1), then the glyph index array. Its length field holds its size.
struct CmapSegment {
  uint16_t start, end;
  uint16_t delta;        // idDelta, mod 65536
  uint16_t rangeOffset;  // idRangeOffset: bytes from this segment's entry into the glyph index array
};
inline constexpr CmapSegment kCmapLastSegment{0xFFFF, 0xFFFF, 1, 0};
QByteArray cmapFormat4(const QList<CmapSegment>& segments, const QList<uint16_t>& glyphIds = {});
// A format-12 or format-13 subtable of these groups; `count` overrides nGroups.
struct CmapGroup {
  uint32_t first, last, glyph;
};
QByteArray cmapGroups(uint16_t format, const QList<CmapGroup>& groups, std::optional<uint32_t> count = std::nullopt);
