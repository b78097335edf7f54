#pragma once
// The characters a face's character map ('cmap') gives a glyph for, read from its Unicode
// subtable: which text the face can really draw. Free of Qt, so the fuzz target runs exactly
// this code.
#include "fontfile/byte_source.h"
#include "fontfile/truetype_tables.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace truetype {

// The code points that map to a glyph other than 0, as sorted ranges: disjoint, none touching
// the next, so memory goes by the table's runs of characters, not by its characters.
class CharacterMap {
 public:
  struct Range {
    char32_t first = 0, last = 0;  // both included
    bool operator==(const Range&) const = default;
  };
  // The subtable read: its platform, encoding and format.
  struct Subtable {
    uint16_t platformID = 0, encodingID = 0, format = 0;
    bool operator==(const Subtable&) const = default;
  };

  CharacterMap() = default;
  // From ranges in any order, overlapping or touching or not; ranges with first > last are
  // dropped. `symbol`: see symbol().
  explicit CharacterMap(std::vector<Range> ranges, bool symbol = false);
  CharacterMap(std::vector<Range> ranges, bool symbol, Subtable subtable);

  bool has(char32_t c) const;
  bool empty() const { return ranges_.empty(); }
  // How many code points map to a glyph.
  uint64_t size() const;
  const std::vector<Range>& ranges() const { return ranges_; }
  // True when the face has no Unicode subtable and these are the codes of its symbol subtable
  // (3,0) as they stand: usually U+F020..U+F0FF, private use, which Qt's font engine maps.
  bool symbol() const { return symbol_; }
  const Subtable& subtable() const { return subtable_; }
  bool operator==(const CharacterMap&) const = default;

 private:
  std::vector<Range> ranges_;
  bool symbol_ = false;
  Subtable subtable_;
};

// The character map of the face whose table directory is at directoryOffset (0 for a font file,
// the face's offset in a collection). The Unicode subtable is chosen as fontTools' getBestCmap()
// chooses it: the first of (3,10), (0,6), (0,4), (3,1), (0,3), (0,2), (0,1), (0,0) that the face
// has; one that cannot be read (another format than 0, 4, 6, 10, 12 or 13, or arrays that run
// past the table) gives way to the next. Without any, a symbol subtable (3,0) is read as it stands.
// False, and an empty map, when the face has no table directory, no cmap or no subtable read.
// Counts and offsets are held to the bytes there: memory and time go by the table's size.
bool readCharacterMap(ByteSource& source, uint32_t directoryOffset, CharacterMap& out);
// The same with the face's directory already read.
bool readCharacterMap(ByteSource& source, const std::vector<TableRecord>& directory, CharacterMap& out);

}  // namespace truetype
