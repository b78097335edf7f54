// The cmap reader on tables built byte by byte: every subtable format it reads, the choice among
// subtables, code points that map to glyph 0, and forged counts, offsets and cut tables.
#include "fontfile/character_map.h"
#include "fontfile/truetype_tables.h"
#include "support/font_builder.h"
#include "support/memory_limit.h"

#include <gtest/gtest.h>

using namespace truetype;

namespace truetype {
inline void PrintTo(const CharacterMap::Range& r, std::ostream* os) {
  *os << std::hex << "U+" << uint32_t(r.first) << "..U+" << uint32_t(r.last) << std::dec;
}
void PrintTo(const CharacterMap::Subtable& t, std::ostream* os) {
  *os << "(" << t.platformID << "," << t.encodingID << ") format " << t.format;
}
}  // namespace truetype

namespace {

using Ranges = std::vector<CharacterMap::Range>;

bool read(const QByteArray& font, CharacterMap& map, uint32_t directoryOffset = 0) {
  MemoryByteSource src(font.constData(), static_cast<size_t>(font.size()));
  return readCharacterMap(src, directoryOffset, map);
}

// The map of a face whose only table besides head and name is this cmap.
CharacterMap mapOf(const QByteArray& cmap) {
  CharacterMap map;
  const bool ok = read(FontBuilder().table("cmap", cmap).build(), map);
  EXPECT_TRUE(ok || map == CharacterMap()) << "not read, yet something kept";
  return map;
}
CharacterMap mapOf(uint16_t platformID, uint16_t encodingID, const QByteArray& subtable) {
  return mapOf(cmapTable({{platformID, encodingID, subtable}}));
}

// A subtable mapping each code to a glyph of its own (one segment a code).
QByteArray format4Of(std::initializer_list<uint16_t> codes) {
  QList<CmapSegment> segments;
  uint16_t glyph = 1;
  for (const uint16_t c : codes) segments.append({c, c, static_cast<uint16_t>(glyph++ - c), 0});
  segments.append(kCmapLastSegment);
  return cmapFormat4(segments);
}

QByteArray bytes(std::initializer_list<int> values) {
  QByteArray out;
  for (const int v : values) out += static_cast<char>(v);
  return out;
}

}  // namespace

TEST(CharacterMap, Format4CodesMappedToGlyphZeroAreLeftOut) {
  // By delta: B + delta is 65536; through the array: an entry 0, and an entry 1 whose delta makes it 0.
  const QByteArray table = cmapFormat4({{0x41, 0x43, static_cast<uint16_t>(0x10000 - 0x42), 0},
                                        {0x61, 0x64, 0xFFFF, 4}, kCmapLastSegment}, {1, 2, 0, 3});
  const CharacterMap map = mapOf(3, 1, table);
  EXPECT_EQ(map.ranges(), (Ranges{{0x41, 0x41}, {0x43, 0x43}, {0x62, 0x62}, {0x64, 0x64}}));
  EXPECT_EQ(map.subtable(), (CharacterMap::Subtable{3, 1, 4}));
  // The last segment as fontTools writes it maps U+FFFF to 0; with another delta it is a character.
  EXPECT_TRUE(mapOf(3, 1, cmapFormat4({kCmapLastSegment})).empty());
  EXPECT_EQ(mapOf(3, 1, cmapFormat4({{0xFFFF, 0xFFFF, 2, 0}})).ranges(), (Ranges{{0xFFFF, 0xFFFF}}));
}

TEST(CharacterMap, Format4ForgedSegments) {
  // An array entry past the table: that code has no glyph, the others keep theirs.
  const QByteArray past = cmapFormat4({{0x61, 0x63, 0, 4}, kCmapLastSegment}, {5, 6});
  EXPECT_EQ(mapOf(3, 1, past).ranges(), (Ranges{{0x61, 0x62}}));
  // idRangeOffset 0xFFFF: a broken segment, skipped as FreeType skips it.
  EXPECT_TRUE(mapOf(3, 1, cmapFormat4({{0x61, 0x63, 0, 0xFFFF}, kCmapLastSegment}, {5, 6, 7})).empty());
  // A segment ending before it starts maps nothing, and keeps the codes below its end from later segments.
  EXPECT_EQ(mapOf(3, 1, cmapFormat4({{0x50, 0x40, 0, 0}, {0x30, 0x45, 0, 0}, kCmapLastSegment})).ranges(),
            (Ranges{{0x41, 0x45}}));
  // A segment count the table does not hold; none at all.
  QByteArray many = format4Of({0x41});
  putU16(many, 6, 0xFFFE);
  EXPECT_TRUE(mapOf(3, 1, many).empty());
  QByteArray none = format4Of({0x41});
  putU16(none, 6, 0);
  EXPECT_TRUE(mapOf(3, 1, none).empty());
  // A length field too small (as in some large fonts) is not believed: the arrays are there.
  QByteArray shortLength = format4Of({0x41, 0x42});
  putU16(shortLength, 2, 16);
  EXPECT_EQ(mapOf(3, 1, shortLength).ranges(), (Ranges{{0x41, 0x42}}));
}

TEST(CharacterMap, Format4OverlappingSegmentsAreLookedAtOnce) {
  // 4,000 segments over the whole plane, each reading the same 128 KiB glyph array: a code
  // belongs to the first segment whose end reaches it, so the rest cost nothing.
  QList<CmapSegment> segments;
  const int count = 4000;
  for (int i = 0; i < count; ++i)  // each idRangeOffset points at the array's start
    segments.append({0, 0xFFFE, 0, static_cast<uint16_t>(2 * (count + 1 - i))});
  segments.append(kCmapLastSegment);
  QList<uint16_t> glyphs(0xFFFF, 0);
  for (int c = 0x100; c < 0x200; ++c) glyphs[c] = 9;
  const CharacterMap map = mapOf(3, 1, cmapFormat4(segments, glyphs));
  EXPECT_EQ(map.ranges(), (Ranges{{0x100, 0x1FF}}));
  // Every segment by delta over the same codes: the first one's mapping.
  QList<CmapSegment> deltas(count, CmapSegment{0x20, 0x7E, 0, 0});
  deltas[0].delta = static_cast<uint16_t>(0x10000 - 0x30);  // '0' maps to glyph 0
  deltas.append(kCmapLastSegment);
  EXPECT_EQ(mapOf(3, 1, cmapFormat4(deltas)).ranges(), (Ranges{{0x20, 0x2F}, {0x31, 0x7E}}));
}

TEST(CharacterMap, TheSubtableFontToolsChooses) {
  const QByteArray a = format4Of({'A'}), b = format4Of({'B'}), c = cmapGroups(12, {{'C', 'C', 1}});
  // (3,10) before (0,6), (0,4), (3,1), (0,3) ... whatever the table's order.
  EXPECT_TRUE(mapOf(cmapTable({{0, 3, a}, {3, 1, b}})).has('B'));
  EXPECT_TRUE(mapOf(cmapTable({{0, 3, a}, {3, 1, b}, {3, 10, c}})).has('C'));
  EXPECT_TRUE(mapOf(cmapTable({{0, 3, a}, {0, 4, c}})).has('C'));
  EXPECT_TRUE(mapOf(cmapTable({{0, 0, a}, {0, 1, b}})).has('B'));
  // The first of two subtables of one pair, as getcmap() takes it.
  EXPECT_TRUE(mapOf(cmapTable({{3, 1, a}, {3, 1, b}})).has('A'));
  // One that cannot be read gives way: another format, an offset past the table, cut arrays.
  const QByteArray format2 = bytes({0, 2, 0, 6, 0, 0});
  EXPECT_TRUE(mapOf(cmapTable({{3, 1, format2}, {0, 3, a}})).has('A'));
  EXPECT_TRUE(mapOf(cmapTable({{3, 1, format2}, {3, 1, b}})).has('B'));
  EXPECT_TRUE(mapOf(cmapTable({{3, 10, c, 0xFFFFFFF0}, {3, 1, b}})).has('B'));
  EXPECT_TRUE(mapOf(cmapTable({{3, 1, b}, {3, 10, cmapGroups(12, {{'C', 'C', 1}}, 2)}})).has('B'));
  // Other platforms and format 14 are never read.
  EXPECT_TRUE(mapOf(cmapTable({{1, 0, a}, {0, 5, bytes({0, 14, 0, 0, 0, 10, 0, 0, 0, 0})}})).empty());
  // A symbol subtable only when no Unicode one is read; its codes as they stand.
  const QByteArray symbol = format4Of({0xF041, 0xF042});
  const CharacterMap symbols = mapOf(cmapTable({{1, 0, a}, {3, 0, symbol}}));
  EXPECT_TRUE(symbols.symbol());
  EXPECT_EQ(symbols.ranges(), (Ranges{{0xF041, 0xF042}}));
  EXPECT_EQ(symbols.subtable(), (CharacterMap::Subtable{3, 0, 4}));
  const CharacterMap unicode = mapOf(cmapTable({{3, 0, symbol}, {3, 1, b}}));
  EXPECT_FALSE(unicode.symbol());
  EXPECT_TRUE(unicode.has('B') && !unicode.has(0xF041));
}

TEST(CharacterMap, ForgedHeadersAndCutTables) {
  CharacterMap map;
  EXPECT_FALSE(read(FontBuilder().build(), map));  // no cmap
  EXPECT_FALSE(read(QByteArray("\0\1\0\0", 4), map));
  EXPECT_FALSE(read(FontBuilder().table("cmap", bytes({0, 0, 0})).build(), map));
  EXPECT_TRUE(map.empty());
  // More encoding records than the table holds: those there are read.
  QByteArray table = cmapTable({{3, 1, format4Of({'A'})}});
  putU16(table, 2, 0xFFFF);
  EXPECT_TRUE(mapOf(table).has('A'));
  // Subtable offsets at and past the end of the table.
  const QByteArray a = format4Of({'A'});
  EXPECT_TRUE(mapOf(cmapTable({{3, 1, a, static_cast<uint32_t>(12 + a.size())}})).empty());
  EXPECT_TRUE(mapOf(cmapTable({{3, 1, a, static_cast<uint32_t>(12 + a.size() - 1)}})).empty());
  EXPECT_TRUE(mapOf(cmapTable({{3, 1, format4Of({'A'}), 0xFFFFFFFF}})).empty());
  // The file cut inside the subtable (the cmap the last table): the directory's length is not there.
  const QByteArray whole = FontBuilder().table("cmap", cmapTable({{3, 10, cmapGroups(12, {{'A', 'Z', 1}, {'a', 'z', 30}})}})).build();
  ASSERT_TRUE(read(whole, map));
  EXPECT_EQ(map.ranges(), (Ranges{{'A', 'Z'}, {'a', 'z'}}));
  for (const qsizetype cut : {1, 12, 13, 24})
    EXPECT_FALSE(read(whole.chopped(cut), map) || !map.empty()) << cut;
}

TEST(CharacterMap, ForgedCountsCostNoMoreThanTheTable) {
  // Counts of 2^32 - 1 groups, characters and 32,767 segments over a few bytes, in a child
  // limited to its size plus 16 MiB: nothing is read, nothing allocated by the count.
  expectWithinMemory(uint64_t{16} << 20, [] {
    QByteArray format4 = format4Of({'A'});
    putU16(format4, 6, 0xFFFE);
    const QByteArray format10 = bytes({0, 10, 0, 0, 0, 0, 0, 26, 0, 0, 0, 0, 0, 0, 0, 0x41, 0xFF, 0xFF, 0xFF, 0xFF, 0, 1});
    for (const QByteArray& t : {cmapGroups(12, {{'A', 'Z', 1}}, 0xFFFFFFFF), cmapGroups(13, {{'A', 'Z', 1}}, 0xFFFFFFFF),
                                format10, format4}) {
      CharacterMap map;
      if (read(FontBuilder().table("cmap", cmapTable({{3, 10, t}})).build(), map) || !map.empty()) return false;
    }
    return true;
  });
  // A real table of 50,000 groups, every other code: the map holds 50,000 ranges and no more.
  QList<CmapGroup> groups;
  for (uint32_t k = 0; k < 50000; ++k) groups.append({0x10000 + 2 * k, 0x10000 + 2 * k, 1});
  const QByteArray font = FontBuilder().table("cmap", cmapTable({{3, 10, cmapGroups(12, groups)}})).build();
  expectWithinMemory(uint64_t{16} << 20, [&] {
    CharacterMap map;
    return read(font, map) && map.ranges().size() == 50000 && map.has(0x10000) && !map.has(0x10001);
  });
}
