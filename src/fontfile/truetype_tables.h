#pragma once
// The byte-level reading under CFontPreview: offset table, table directory, head, name and
// OS/2, each read once and checked against the bytes really there. Free of Qt, so the fuzz
// target runs exactly this code.
#include "fontfile/byte_source.h"

#include <cstdint>
#include <optional>
#include <string>
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
  std::vector<std::u16string> nameStrings;  // same index range as nameRecords
  Os2Info os2Info;
};

// Parses the tables; true when the parse ran to its end. A read outside the source, a
// table directory with no entries and a name table with no records stop the parse with false.
bool readFontTables(ByteSource& source, FontTablesState& state);

// n bytes of a name string: first byte 0 means UTF-16 big-endian (an odd last byte is
// dropped), anything else one Windows-1252 character per byte.
std::u16string decodeNameString(const uint8_t* bytes, size_t n);

// The string of the given name ID: a Microsoft-platform (3) record replaces what other
// platforms gave; among Microsoft records the one in localeId wins at once, otherwise the last.
std::u16string selectNameString(const std::vector<NameRecord>& records,
                                const std::vector<std::u16string>& strings, uint16_t nameID,
                                int32_t localeId);

// Byte order and bit routines.
uint16_t swapBytes16(uint16_t v);
uint32_t swapBytes32(uint32_t v);
uint32_t makeLong(uint16_t high, uint16_t low);
uint16_t highWord(uint32_t v);
uint16_t lowWord(uint32_t v);
bool isBitSet(uint16_t value, int bit);

}  // namespace truetype
