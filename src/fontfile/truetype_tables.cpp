#include "fontfile/truetype_tables.h"

#include "fontfile/windows_1252.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace truetype {

uint16_t swapBytes16(uint16_t v) {
  // Worked in 32 bits, so no intermediate can overflow a 16-bit value.
  const uint32_t w = v;
  return static_cast<uint16_t>(((w & 0xFFu) << 8) | (w >> 8));
}

uint32_t makeLong(uint16_t high, uint16_t low) { return (uint32_t{high} << 16) | low; }
uint16_t highWord(uint32_t v) { return static_cast<uint16_t>(v >> 16); }
uint16_t lowWord(uint32_t v) { return static_cast<uint16_t>(v & 0xFFFFu); }

uint32_t swapBytes32(uint32_t v) {
  return makeLong(swapBytes16(lowWord(v)), swapBytes16(highWord(v)));
}

bool isBitSet(uint16_t value, int bit) {
  if (bit < 0 || bit > 15) return false;
  return ((value >> bit) & 1u) != 0;
}

namespace {

// Big-endian fields of the file, turned into host order.
uint16_t be16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, sizeof v);
  if constexpr (std::endian::native == std::endian::little) v = swapBytes16(v);
  return v;
}

uint32_t be32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, sizeof v);
  if constexpr (std::endian::native == std::endian::little) v = swapBytes32(v);
  return v;
}

constexpr size_t kOffsetTableBytes = 12;
constexpr size_t kDirectoryEntryBytes = 16;
constexpr size_t kNameHeaderBytes = 6;
constexpr size_t kNameRecordBytes = 12;
constexpr size_t kCollectionHeaderBytes = 12;  // tag, version, numFonts; the offsets follow

}  // namespace

uint16_t readBe16(const uint8_t* p) { return be16(p); }
uint32_t readBe32(const uint8_t* p) { return be32(p); }

bool TableRecord::is(const char (&name)[5]) const { return std::memcmp(tag, name, 4) == 0; }

std::optional<std::vector<TableRecord>> readTableDirectory(ByteSource& src, uint32_t at) {
  uint8_t offsetTable[kOffsetTableBytes];
  if (!src.readAt(at, offsetTable, sizeof offsetTable)) return std::nullopt;
  const uint16_t numTables = be16(offsetTable + 4);
  if (numTables == 0) return std::nullopt;

  const uint64_t dirAt = uint64_t{at} + kOffsetTableBytes;
  const uint64_t dirBytes = uint64_t{numTables} * kDirectoryEntryBytes;
  if (!src.contains(dirAt, dirBytes)) return std::nullopt;
  std::vector<uint8_t> raw(static_cast<size_t>(dirBytes));
  if (!src.readAt(dirAt, raw.data(), raw.size())) return std::nullopt;
  std::vector<TableRecord> directory(numTables);
  for (size_t i = 0; i < numTables; ++i) {
    const uint8_t* e = raw.data() + i * kDirectoryEntryBytes;
    std::memcpy(directory[i].tag, e, 4);
    directory[i].offset = be32(e + 8);
    directory[i].length = be32(e + 12);
  }
  return directory;
}

namespace {

// The first byte decides only on platforms that do not fix the encoding.
bool isUtf16(uint16_t platformID, const uint8_t* b, size_t n) {
  return platformID == 0 || platformID == 3 || (n > 0 && b[0] == 0);
}

size_t decodedLength(uint16_t platformID, const uint8_t* b, size_t n) {
  return isUtf16(platformID, b, n) ? n / 2 : n;
}

// The walk of the selection rule: the record whose string the name ID yields. Needs only to
// know which strings are empty, so the reader can run it before decoding anything.
template <class IsEmpty>
std::optional<size_t> pickNameRecord(const std::vector<NameRecord>& records, uint16_t nameID,
                                     int32_t localeId, IsEmpty isEmpty) {
  std::optional<size_t> pick;
  for (size_t j = 0; j < records.size(); ++j) {
    const NameRecord& r = records[j];
    if (r.nameID != nameID) continue;
    if (r.platformID == 3) {
      pick = j;
      if (int32_t{r.languageID} == localeId) break;
    } else if (!pick || isEmpty(*pick)) {
      pick = j;
    }
  }
  return pick;
}

// The name IDs a read decodes, each given a slot 0..slotCount()-1 (-1: not asked for): the
// catalogue's bitmask of IDs 0..7, or any sorted list of IDs.
struct MaskIds {
  uint8_t mask;
  size_t slotCount() const { return 8; }
  int slot(uint16_t id) const { return id < 8 && (mask >> id & 1u) ? id : -1; }
};
struct ListIds {
  std::span<const uint16_t> ids;
  size_t slotCount() const { return ids.size(); }
  int slot(uint16_t id) const {
    const auto it = std::lower_bound(ids.begin(), ids.end(), id);
    return it != ids.end() && *it == id ? static_cast<int>(it - ids.begin()) : -1;
  }
};

// The records the selection rule picks for the IDs asked for, into `picks` (room for one an ID)
// in the table's order (a record holds one name ID: none is picked twice), so that every
// selection among them gives what it gives among all records; records whose strings are empty
// are left out. Returns how many. One walk over the records serves every ID: a slot's pick is
// settled by a Microsoft record in localeId, as pickNameRecord's walk stops there.
template <class Ids, class IsEmpty>
size_t pickRecords(const std::vector<NameRecord>& recs, const Ids& ids, int32_t localeId, IsEmpty isEmpty,
                   size_t* picks) {
  struct SlotPick {
    size_t record = SIZE_MAX;
    bool settled = false;
  };
  SlotPick local[8];
  std::vector<SlotPick> heap;
  const size_t slotCount = ids.slotCount();
  SlotPick* pickOf = slotCount <= 8 ? local : (heap.resize(slotCount), heap.data());
  for (size_t j = 0; j < recs.size(); ++j) {
    const NameRecord& r = recs[j];
    const int slot = ids.slot(r.nameID);
    if (slot < 0 || pickOf[slot].settled) continue;
    SlotPick& p = pickOf[slot];
    if (r.platformID == 3) {
      p.record = j;
      p.settled = int32_t{r.languageID} == localeId;
    } else if (p.record == SIZE_MAX || isEmpty(p.record)) {
      p.record = j;
    }
  }
  size_t picked = 0;
  for (size_t s = 0; s < slotCount; ++s)
    if (pickOf[s].record != SIZE_MAX && !isEmpty(pickOf[s].record)) picks[picked++] = pickOf[s].record;
  std::sort(picks, picks + picked);
  return picked;
}

// Decodes the picked records' strings, at most maxDecodedBytes of them in all, into the state:
// in their records' slots when it keeps every record, else with their records only.
template <class BytesOf>
void decodePicked(FontTablesState& state, const std::vector<NameRecord>& recs, std::span<const size_t> picks,
                  BytesOf bytesOf, bool all, size_t maxDecodedBytes) {
  if (!all) {
    state.nameRecords->reserve(picks.size());
    state.nameStrings.reserve(picks.size());
  }
  size_t budget = maxDecodedBytes;
  for (const size_t j : picks) {
    const NameRecord& r = recs[j];
    if (r.length > budget) continue;
    budget -= r.length;
    std::u16string text = decodeNameString(r.platformID, bytesOf(j), r.length);
    if (all) {
      state.nameStrings[j] = std::move(text);
    } else {
      state.nameRecords->push_back(r);
      state.nameStrings.push_back(std::move(text));
    }
  }
}

template <class Ids>
bool readNameTableOf(ByteSource& src, uint32_t tableOffset, FontTablesState& state, int32_t localeId,
                     const Ids& ids, NameRecordsKept kept, size_t maxDecodedBytes) {
  uint8_t header[kNameHeaderBytes];
  if (!src.readAt(tableOffset, header, sizeof header)) return false;
  const uint16_t count = be16(header + 2);
  const uint16_t stringOffset = be16(header + 4);
  if (count == 0) return false;  // an empty record array: nothing to read, parse ends here

  // At most 65535 * 12 bytes, so the product fits easily in 64 bits; checked before allocating.
  const uint64_t recordsAt = uint64_t{tableOffset} + kNameHeaderBytes;
  const uint64_t recordBytes = uint64_t{count} * kNameRecordBytes;
  if (!src.contains(recordsAt, recordBytes)) return false;
  // The scratch buffers keep their size from file to file: a fill reads tens of thousands of
  // name tables, and buffers this large are slow to allocate anew each time.
  thread_local std::vector<uint8_t> raw, span;
  struct Trim {  // ... but what a forged table made them grow to is let go again
    ~Trim() {
      constexpr size_t kKeep = 64 * 1024;
      for (auto* v : {&raw, &span})
        if (v->capacity() > kKeep) *v = {};
    }
  } trim;
  raw.resize(static_cast<size_t>(recordBytes));
  if (!src.readAt(recordsAt, raw.data(), raw.size())) return false;

  std::vector<NameRecord> records(count);
  for (size_t j = 0; j < count; ++j) {
    const uint8_t* r = raw.data() + j * kNameRecordBytes;
    records[j] = {be16(r), be16(r + 2), be16(r + 4), be16(r + 6), be16(r + 8), be16(r + 10)};
  }
  const bool all = kept == NameRecordsKept::All;
  state.nameRecords = all ? std::move(records) : std::vector<NameRecord>();
  state.nameStrings.assign(all ? count : 0, std::u16string());
  const auto& recs = all ? *state.nameRecords : records;

  // Each record's string is checked in order: the first one past the end stops the parse
  // there, and only the records before it count as read.
  const uint64_t storage = uint64_t{tableOffset} + stringOffset;
  size_t readable = 0;
  uint64_t first = UINT64_MAX, last = 0;
  for (; readable < recs.size(); ++readable) {
    const NameRecord& r = recs[readable];
    if (r.length == 0) continue;
    const uint64_t at = storage + r.offset;
    if (!src.contains(at, r.length)) break;
    first = std::min(first, at);
    last = std::max(last, at + r.length);
  }
  // One read of the span those strings occupy: at most about 192 KiB, all three 16-bit
  // quantities being unsigned.
  span.clear();
  if (first < last) {
    span.resize(static_cast<size_t>(last - first));
    if (!src.readAt(first, span.data(), span.size())) return false;
  }
  const auto bytesOf = [&](size_t j) { return span.data() + (storage + recs[j].offset - first); };
  const auto isEmpty = [&](size_t j) {
    const NameRecord& r = recs[j];
    return j >= readable || r.length == 0 || decodedLength(r.platformID, bytesOf(j), r.length) == 0;
  };
  // Only the strings the selections return are decoded.
  size_t localPicks[8];
  std::vector<size_t> heapPicks;
  const size_t slotCount = ids.slotCount();
  size_t* picks = slotCount <= 8 ? localPicks : (heapPicks.resize(slotCount), heapPicks.data());
  const size_t picked = pickRecords(recs, ids, localeId, isEmpty, picks);
  decodePicked(state, recs, std::span<const size_t>(picks, picked), bytesOf, all, maxDecodedBytes);
  return readable == recs.size();
}

bool readOs2Table(ByteSource& src, uint32_t tableOffset, FontTablesState& state) {
  uint8_t bytes[kOs2Bytes];
  if (!src.readAt(tableOffset, bytes, sizeof bytes)) return false;
  std::memcpy(state.os2Info.bytes, bytes, sizeof bytes);
  state.os2Info.fsSelection = be16(bytes + kFsSelectionOffset);
  return true;
}

}  // namespace

bool readFontTables(ByteSource& src, FontTablesState& state, int32_t localeId, uint8_t nameIds,
                    uint32_t directoryOffset, NameRecordsKept kept) {
  const auto directory = readTableDirectory(src, directoryOffset);
  if (!directory) return false;

  for (const auto& e : *directory) {
    if (!e.is("head")) continue;
    uint8_t head[kHeadBytes];
    if (!src.readAt(e.offset, head, sizeof head)) return false;
    state.validTrueTypeFile = be32(head + 12) == kHeadMagicNumber;
    break;
  }

  if (state.validTrueTypeFile) {
    for (const auto& e : *directory) {
      if (e.is("name")) {
        src.willRead(e.offset, e.length);
        if (!readNameTableOf(src, e.offset, state, localeId, MaskIds{nameIds}, kept, SIZE_MAX)) return false;
      } else if (e.is("OS/2")) {
        if (!readOs2Table(src, e.offset, state)) return false;
      }
    }
  }
  return true;
}

bool readNameTable(ByteSource& src, uint32_t tableOffset, FontTablesState& state, int32_t localeId,
                   std::span<const uint16_t> nameIds, NameRecordsKept kept, size_t maxDecodedBytes) {
  return readNameTableOf(src, tableOffset, state, localeId, ListIds{nameIds}, kept, maxDecodedBytes);
}

std::optional<std::vector<uint32_t>> readCollectionDirectories(ByteSource& src) {
  uint8_t tag[4];
  if (!src.readAt(0, tag, sizeof tag) || std::memcmp(tag, "ttcf", 4) != 0) return std::nullopt;
  // From here on it is a collection, if a broken one: never read as a font of its own.
  uint8_t header[kCollectionHeaderBytes];
  if (!src.readAt(0, header, sizeof header)) return std::vector<uint32_t>{};
  const uint32_t version = be32(header + 4);
  if (version != 0x00010000 && version != 0x00020000) return std::vector<uint32_t>{};
  const uint32_t numFonts = std::min(be32(header + 8), kMaxCollectionFaces);
  std::vector<uint8_t> raw(size_t{numFonts} * 4);
  if (!src.readAt(kCollectionHeaderBytes, raw.data(), raw.size())) return std::vector<uint32_t>{};
  std::vector<uint32_t> offsets(numFonts);
  for (size_t k = 0; k < numFonts; ++k) offsets[k] = be32(raw.data() + 4 * k);
  return offsets;
}

std::optional<Table> findTable(ByteSource& src, const std::vector<TableRecord>& directory, const char (&tag)[5]) {
  for (const TableRecord& t : directory) {
    if (!t.is(tag)) continue;
    const uint64_t size = src.size();
    return Table{t.offset, t.offset >= size ? 0 : std::min<uint64_t>(t.length, size - t.offset)};
  }
  return std::nullopt;
}

std::optional<uint32_t> faceDirectoryOffset(ByteSource& src, uint32_t face, uint32_t* faces) {
  const auto directories = readCollectionDirectories(src);
  const size_t count = directories ? directories->size() : 1;
  if (faces) *faces = static_cast<uint32_t>(count);
  if (face >= count) return std::nullopt;
  return directories ? (*directories)[face] : 0;
}

std::vector<FontTablesState> readFontFaces(ByteSource& src, int32_t localeId, uint8_t nameIds, bool* complete) {
  bool all = true;
  const auto directories = readCollectionDirectories(src);
  const std::vector<uint32_t> offsets = directories ? *directories : std::vector<uint32_t>{0};
  std::vector<FontTablesState> faces(offsets.size());
  for (size_t k = 0; k < offsets.size(); ++k) {
    // Faces that share a directory share what it gives: a forged collection of one directory
    // named a thousand times is read once.
    const auto earlier = std::find(offsets.begin(), offsets.begin() + static_cast<ptrdiff_t>(k), offsets[k]);
    if (earlier != offsets.begin() + static_cast<ptrdiff_t>(k)) {
      faces[k] = faces[static_cast<size_t>(earlier - offsets.begin())];
      continue;
    }
    // A partial read is kept.
    all = readFontTables(src, faces[k], localeId, nameIds, offsets[k], NameRecordsKept::Decoded) && all;
  }
  if (complete) *complete = all;
  return faces;
}

bool tablesLieInsideSource(ByteSource& src, bool collections) {
  std::vector<uint32_t> offsets{0};
  if (collections) {
    if (auto directories = readCollectionDirectories(src)) offsets = std::move(*directories);
    if (offsets.empty()) return false;
  }
  for (const uint32_t at : offsets) {
    const auto directory = readTableDirectory(src, at);
    if (!directory) return false;
    for (const auto& e : *directory)
      if (!src.contains(e.offset, e.length)) return false;
  }
  return true;
}

std::u16string decodeNameString(uint16_t platformID, const uint8_t* b, size_t n) {
  std::u16string text;
  if (n == 0) return text;
  if (isUtf16(platformID, b, n)) {
    text.resize(n / 2);
    for (size_t k = 0; k < n / 2; ++k)
      text[k] = static_cast<char16_t>((uint32_t{b[2 * k]} << 8) | b[2 * k + 1]);
  } else {
    text.resize(n);
    for (size_t k = 0; k < n; ++k) text[k] = windows1252ToUnicode(b[k]);
  }
  return text;
}

std::u16string selectNameString(const std::vector<NameRecord>& records,
                                const std::vector<std::u16string>& strings, uint16_t nameID,
                                int32_t localeId) {
  return std::u16string(selectedNameView(records, strings, nameID, localeId));
}

std::u16string_view selectedNameView(const std::vector<NameRecord>& records,
                                     const std::vector<std::u16string>& strings, uint16_t nameID,
                                     int32_t localeId) {
  const auto isEmpty = [&](size_t j) { return j >= strings.size() || strings[j].empty(); };
  const auto pick = pickNameRecord(records, nameID, localeId, isEmpty);
  return pick && !isEmpty(*pick) ? std::u16string_view(strings[*pick]) : std::u16string_view(u"");
}

}  // namespace truetype
