#include "fontfile/character_map.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace truetype {

namespace {

constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr size_t kCmapHeaderBytes = 4;      // version, numTables
constexpr size_t kEncodingRecordBytes = 8;  // platformID, encodingID, offset
constexpr size_t kFormat4HeaderBytes = 14;  // format, length, language, segCountX2 and the search fields
// A format-4 glyph index is found at most 0xFFFF + 2 * 0xFFFF bytes past its segment's
// idRangeOffset entry: no byte further on is ever read.
constexpr uint64_t kFormat4Reach = 0x30000;

struct PlatformEncoding {
  uint16_t platformID, encodingID;
};
// fontTools' getBestCmap() order (HarfBuzz's too): full repertoire first, Windows before Unicode.
constexpr PlatformEncoding kUnicodeOrder[] = {{3, 10}, {0, 6}, {0, 4}, {3, 1}, {0, 3}, {0, 2}, {0, 1}, {0, 0}};
constexpr PlatformEncoding kSymbol{3, 0};

// Ranges as a subtable gives them, in its order; CharacterMap sorts and merges them.
class Ranges {
 public:
  void add(char32_t first, char32_t last) {
    if (first > last) return;
    if (!list.empty() && list.back().last != kLastCodePoint && list.back().last + 1 == first)
      list.back().last = last;
    else
      list.push_back({first, last});
  }
  void add(char32_t c) { add(c, c); }
  std::vector<CharacterMap::Range> list;
};

// The bytes of one subtable, read at once: `at` is where it starts in the cmap table.
std::optional<std::vector<uint8_t>> readBytes(ByteSource& src, const Table& cmap, uint64_t at, uint64_t n) {
  if (at > cmap.length || n > cmap.length - at) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(n));
  src.willRead(cmap.offset + at, n);
  if (!cmap.read(src, at, bytes.data(), bytes.size())) return std::nullopt;
  return bytes;
}

bool readFormat0(ByteSource& src, const Table& cmap, uint64_t at, Ranges& out) {
  const auto b = readBytes(src, cmap, at, 6 + 256);
  if (!b) return false;
  for (char32_t c = 0; c < 256; ++c)
    if ((*b)[6 + c] != 0) out.add(c);
  return true;
}

// Formats 6 (16-bit codes) and 10 (32-bit): a first code, a count and a glyph index each.
bool readTrimmedArray(ByteSource& src, const Table& cmap, uint64_t at, bool wide, Ranges& out) {
  const size_t header = wide ? 20 : 10;
  const auto h = readBytes(src, cmap, at, header);
  if (!h) return false;
  const uint64_t first = wide ? readBe32(h->data() + 12) : readBe16(h->data() + 6);
  const uint64_t count = wide ? readBe32(h->data() + 16) : readBe16(h->data() + 8);
  const auto glyphs = readBytes(src, cmap, at + header, 2 * count);
  if (!glyphs) return false;
  const uint64_t limit = wide ? kLastCodePoint : 0xFFFF;
  for (uint64_t k = 0; k < count && first + k <= limit; ++k)
    if (readBe16(glyphs->data() + 2 * k) != 0) out.add(static_cast<char32_t>(first + k));
  return true;
}

// Format 4: segments of 16-bit codes. A code belongs to the first segment whose end reaches it,
// as FreeType finds it: a segment's codes below an earlier segment's end are that segment's (or
// none), so each code is looked at once however the segments overlap.
bool readFormat4(ByteSource& src, const Table& cmap, uint64_t at, Ranges& out) {
  const auto h = readBytes(src, cmap, at, kFormat4HeaderBytes);
  if (!h) return false;
  const uint64_t segments = readBe16(h->data() + 6) / 2;
  if (segments == 0) return false;
  const uint64_t arraysEnd = kFormat4HeaderBytes + 8 * segments + 2;  // endCode, pad, start, delta, range
  // The length field is wrong in some fonts (too small for large tables): the glyph index array
  // runs to the end of the cmap table, as far as any index can reach.
  const uint64_t n = std::min(cmap.length - std::min(cmap.length, at), arraysEnd + kFormat4Reach);
  if (n < arraysEnd) return false;
  const auto b = readBytes(src, cmap, at, n);
  if (!b) return false;
  const uint8_t* p = b->data();
  const auto field = [&](uint64_t offset) { return offset + 2 <= n ? readBe16(p + offset) : uint16_t{0}; };
  const uint64_t endAt = kFormat4HeaderBytes, startAt = endAt + 2 * segments + 2;
  const uint64_t deltaAt = startAt + 2 * segments, rangeAt = deltaAt + 2 * segments;
  uint32_t next = 0;  // codes below it belong to earlier segments
  for (uint64_t i = 0; i < segments && next <= 0xFFFF; ++i) {
    const uint32_t end = readBe16(p + endAt + 2 * i), start = readBe16(p + startAt + 2 * i);
    const uint16_t delta = readBe16(p + deltaAt + 2 * i), rangeOffset = readBe16(p + rangeAt + 2 * i);
    const uint32_t from = std::max(start, next);
    next = std::max(next, end + 1);
    if (from > end) continue;
    if (rangeOffset == 0) {
      // Glyph (code + delta) mod 65536: 0 for one code at most.
      const uint32_t zero = (0x10000u - delta) & 0xFFFFu;
      if (zero >= from && zero <= end) {
        if (zero > from) out.add(from, zero - 1);
        if (zero < end) out.add(zero + 1, end);
      } else {
        out.add(from, end);
      }
    } else if (rangeOffset != 0xFFFF) {  // 0xFFFF: a broken segment FreeType skips
      for (uint32_t c = from; c <= end; ++c) {
        const uint16_t glyph = field(rangeAt + 2 * i + rangeOffset + 2 * uint64_t{c - start});
        if (glyph != 0 && ((glyph + delta) & 0xFFFF) != 0) out.add(c);
      }
    }
  }
  return true;
}

// Formats 12 (a glyph per code from the group's first) and 13 (one glyph for the whole group).
bool readGroups(ByteSource& src, const Table& cmap, uint64_t at, bool manyToOne, Ranges& out) {
  const auto h = readBytes(src, cmap, at, 16);
  if (!h) return false;
  const uint64_t groups = readBe32(h->data() + 12);
  const auto b = readBytes(src, cmap, at + 16, 12 * groups);
  if (!b) return false;
  for (uint64_t k = 0; k < groups; ++k) {
    const uint8_t* g = b->data() + 12 * k;
    uint32_t first = readBe32(g);
    const uint32_t last = std::min<uint32_t>(readBe32(g + 4), kLastCodePoint);
    const uint32_t glyph = readBe32(g + 8);
    if (first > last) continue;
    if (glyph == 0) {
      if (manyToOne) continue;
      ++first;  // only the first code maps to glyph 0
    }
    if (first <= last) out.add(first, last);
  }
  return true;
}

std::optional<CharacterMap> readSubtable(ByteSource& src, const Table& cmap, uint32_t offset,
                                         PlatformEncoding pe, bool symbol) {
  uint8_t f[2];
  if (!cmap.read(src, offset, f, sizeof f)) return std::nullopt;
  const uint16_t format = readBe16(f);
  Ranges ranges;
  bool read = false;
  switch (format) {
    case 0: read = readFormat0(src, cmap, offset, ranges); break;
    case 4: read = readFormat4(src, cmap, offset, ranges); break;
    case 6: read = readTrimmedArray(src, cmap, offset, false, ranges); break;
    case 10: read = readTrimmedArray(src, cmap, offset, true, ranges); break;
    case 12: read = readGroups(src, cmap, offset, false, ranges); break;
    case 13: read = readGroups(src, cmap, offset, true, ranges); break;
    default: break;
  }
  if (!read) return std::nullopt;
  return CharacterMap(std::move(ranges.list), symbol, {pe.platformID, pe.encodingID, format});
}

}  // namespace

CharacterMap::CharacterMap(std::vector<Range> ranges, bool symbol) : CharacterMap(std::move(ranges), symbol, Subtable()) {}

CharacterMap::CharacterMap(std::vector<Range> ranges, bool symbol, Subtable subtable)
    : symbol_(symbol), subtable_(subtable) {
  for (Range& r : ranges) r.last = std::min(r.last, kLastCodePoint);  // past Unicode: no character
  std::erase_if(ranges, [](const Range& r) { return r.first > r.last; });
  std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.first < b.first; });
  for (const Range& r : ranges) {
    // Overlapping or touching the one before: one range.
    if (!ranges_.empty() && (ranges_.back().last >= r.first || ranges_.back().last + 1 == r.first))
      ranges_.back().last = std::max(ranges_.back().last, r.last);
    else
      ranges_.push_back(r);
  }
  ranges_.shrink_to_fit();
}

bool CharacterMap::has(char32_t c) const {
  const auto it = std::upper_bound(ranges_.begin(), ranges_.end(), c,
                                   [](char32_t v, const Range& r) { return v < r.first; });
  return it != ranges_.begin() && c <= std::prev(it)->last;
}

uint64_t CharacterMap::size() const {
  uint64_t n = 0;
  for (const Range& r : ranges_) n += uint64_t{r.last} - r.first + 1;
  return n;
}

bool readCharacterMap(ByteSource& src, uint32_t directoryOffset, CharacterMap& out) {
  out = CharacterMap();
  const auto directory = readTableDirectory(src, directoryOffset);
  return directory && readCharacterMap(src, *directory, out);
}

bool readCharacterMap(ByteSource& src, const std::vector<TableRecord>& directory, CharacterMap& out) {
  out = CharacterMap();
  const auto cmap = findTable(src, directory, "cmap");
  uint8_t header[kCmapHeaderBytes];
  if (!cmap || cmap->prefix(src, header, sizeof header) != sizeof header) return false;
  // As many encoding records as the count gives and the table holds.
  const uint64_t count = std::min<uint64_t>(readBe16(header + 2), (cmap->length - sizeof header) / kEncodingRecordBytes);
  std::vector<uint8_t> records(static_cast<size_t>(count * kEncodingRecordBytes));
  if (!cmap->read(src, sizeof header, records.data(), records.size())) return false;
  const auto tryEach = [&](PlatformEncoding pe, bool symbol) {
    // Every subtable of the pair in table order: fontTools takes the first, a broken one gives way.
    for (uint64_t k = 0; k < count; ++k) {
      const uint8_t* r = records.data() + k * kEncodingRecordBytes;
      if (readBe16(r) != pe.platformID || readBe16(r + 2) != pe.encodingID) continue;
      if (auto map = readSubtable(src, *cmap, readBe32(r + 4), pe, symbol)) {
        out = std::move(*map);
        return true;
      }
    }
    return false;
  };
  for (const PlatformEncoding pe : kUnicodeOrder)
    if (tryEach(pe, false)) return true;
  return tryEach(kSymbol, true);
}

}  // namespace truetype
