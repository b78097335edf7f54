#pragma once
// The byte-level reading under CFontPreview: offset table, table directory, head, name and
// OS/2, each read once and checked against the bytes really there. Free of Qt, so the fuzz
// target runs exactly this code.
#include "fontfile/byte_source.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace truetype {

constexpr uint32_t kHeadMagicNumber = 0x5F0F3CF5;
constexpr size_t kHeadBytes = 54;
constexpr size_t kOs2Bytes = 86;
constexpr size_t kFsSelectionOffset = 62;

// One record of the name table, fields in host order.
struct NameRecord {
  uint16_t platformID = 0;
  uint16_t encodingID = 0;
  uint16_t languageID = 0;
  uint16_t nameID = 0;
  uint16_t length = 0;
  uint16_t offset = 0;
};

// The style bits of fsSelection.
enum : int { kItalicBit = 0, kUnderscoreBit = 1, kStrikeoutBit = 4, kBoldBit = 5 };

// The first 86 bytes of the OS/2 table as read; only fsSelection (host order) is used.
struct Os2Info {
  uint8_t bytes[kOs2Bytes] = {};
  uint16_t fsSelection = 0;
};

// The reader's state that a parse fills in. A parse only ever replaces what the file supplies,
// so partial results of a failed parse stay where they are.
struct FontTablesState {
  bool validTrueTypeFile = false;
  // Absent until a name table has been read.
  std::optional<std::vector<NameRecord>> nameRecords;
  // Same index range as nameRecords. Only the strings that selectNameString picks for the name
  // IDs the parse was asked for (0..7 here, any with readNameTable) in its locale are decoded;
  // the others stay empty, which leaves every such selection unchanged and keeps a forged table
  // of 65,535 long strings from costing gigabytes.
  std::vector<std::u16string> nameStrings;
  Os2Info os2Info;
};

// Name IDs to decode, one bit each: bit k for name ID k (0 copyright .. 7 trademark).
constexpr uint8_t kAllNameIds = 0xFF;
constexpr uint8_t nameIdBit(uint16_t nameID) { return static_cast<uint8_t>(1u << nameID); }

// Which name records a parse keeps: all of them (each with its string, decoded or left empty), or
// only those whose strings it decoded, in the table's order. Every name either gives is the same;
// the second costs memory and copies by the names read, not by the size of the name table.
enum class NameRecordsKept { All, Decoded };

// Parses the tables, decoding the name strings that localeId selects for the name IDs asked
// for; true when the parse ran to its end. A read outside the source, a table directory with no
// entries and a name table with no records stop the parse with false. The offset table and
// directory are read at directoryOffset: 0 for a font file, a face's own offset in a collection.
bool readFontTables(ByteSource& source, FontTablesState& state, int32_t localeId,
                    uint8_t nameIds = kAllNameIds, uint32_t directoryOffset = 0,
                    NameRecordsKept kept = NameRecordsKept::All);

// A collection ("ttcf") holds at most this many faces here; the largest real ones hold a few
// hundred. The faces past it are not read, so a forged count costs nothing.
constexpr uint32_t kMaxCollectionFaces = 1024;

// The offsets of a collection's table directories, in face order, at most kMaxCollectionFaces
// of them; none when the collection is of another version than 1 or 2, or its header or list of
// offsets runs past the end. Nothing when the source does not start with the tag "ttcf".
std::optional<std::vector<uint32_t>> readCollectionDirectories(ByteSource& source);

// Every face of a font file: each face of a collection in face order, or the single face of
// any other file. Only the records of the strings decoded are kept (NameRecordsKept::Decoded),
// so a collection costs memory by its faces, not by the size of their name tables. A face that cannot be read
// has no name records; a collection that names no face gives none. With `complete`, tells
// whether every face's parse ran to its end.
std::vector<FontTablesState> readFontFaces(ByteSource& source, int32_t localeId, uint8_t nameIds,
                                           bool* complete = nullptr);

// True when the source starts with a table directory whose every table (offset and length as
// the directory gives them) lies wholly inside the source: a file cut short fails here. A
// font collection has no such directory at its start and fails too, unless `collections` is
// set: then every face of a collection must pass, and it must have one.
bool tablesLieInsideSource(ByteSource& source, bool collections = false);

// n bytes of a name string. The Unicode (0) and Microsoft (3) platforms store UTF-16
// big-endian; on the others a first byte 0 means UTF-16 big-endian, anything else one
// Windows-1252 character per byte. An odd last byte of UTF-16 is dropped.
std::u16string decodeNameString(uint16_t platformID, const uint8_t* bytes, size_t n);

// The string of the given name ID: a Microsoft-platform (3) record replaces what other
// platforms gave; among Microsoft records the one in localeId wins at once, otherwise the last.
std::u16string selectNameString(const std::vector<NameRecord>& records,
                                const std::vector<std::u16string>& strings, uint16_t nameID,
                                int32_t localeId);
// The same string without a copy: a view into strings.
std::u16string_view selectedNameView(const std::vector<NameRecord>& records,
                                     const std::vector<std::u16string>& strings, uint16_t nameID,
                                     int32_t localeId);

// One entry of a face's table directory, as the file gives it.
struct TableRecord {
  char tag[4];
  uint32_t offset;
  uint32_t length;
  bool is(const char (&name)[5]) const;
};

// The table directory at `at` (the offset table's count, then its entries). Nothing when the
// count is 0 or the entries are not all there.
std::optional<std::vector<TableRecord>> readTableDirectory(ByteSource& source, uint32_t at);

// A table of a face: where it starts and how many of its bytes are really there (its directory
// length, cut where the source ends). Every read is checked against that length.
struct Table {
  uint32_t offset = 0;
  uint64_t length = 0;

  bool read(ByteSource& src, uint64_t at, void* out, size_t n) const {
    return at <= length && n <= length - at && src.readAt(offset + at, out, n);
  }
  // Up to `n` bytes from the start: the count read.
  size_t prefix(ByteSource& src, uint8_t* out, size_t n) const {
    n = static_cast<size_t>(n < length ? n : length);
    return read(src, 0, out, n) ? n : 0;
  }
};

// The first table of the tag in the directory.
std::optional<Table> findTable(ByteSource& source, const std::vector<TableRecord>& directory, const char (&tag)[5]);

// The offset of the table directory of face `face` of a font file: 0 for the single face of a
// file that is no collection, the collection's own offset for each of its faces. Nothing when the
// file has no such face. `faces`, when given, is set to how many faces the file holds (0 for a
// collection that names none or is broken).
std::optional<uint32_t> faceDirectoryOffset(ByteSource& source, uint32_t face, uint32_t* faces = nullptr);

// The name table at tableOffset, read as readFontTables reads it, decoding the strings that
// localeId selects for the given name IDs (sorted, each once; any of 0..65535). The strings
// chosen are decoded in the table's order while their bytes add up to at most maxDecodedBytes;
// those past it stay undecoded (empty), so a forged table that names the same long string under
// thousands of IDs stays small. True when every record's string lies inside the source.
bool readNameTable(ByteSource& source, uint32_t tableOffset, FontTablesState& state, int32_t localeId,
                   std::span<const uint16_t> nameIds, NameRecordsKept kept, size_t maxDecodedBytes);

// Byte order and bit routines.
uint16_t swapBytes16(uint16_t v);
// Big-endian fields of the file, in host order.
uint16_t readBe16(const uint8_t* p);
uint32_t readBe32(const uint8_t* p);
uint32_t swapBytes32(uint32_t v);
uint32_t makeLong(uint16_t high, uint16_t low);
uint16_t highWord(uint32_t v);
uint16_t lowWord(uint32_t v);
bool isBitSet(uint16_t value, int bit);

}  // namespace truetype
