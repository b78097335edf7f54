#include "fontfile/face_details.h"

#include "fontfile/truetype_tables.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace truetype {

namespace {

// The fixed part of each table, as its first version defines it: a table shorter than that is
// cut short and left out whole (as fontTools and FreeType refuse it).
constexpr size_t kHeadFixedBytes = 54;
constexpr size_t kOs2Version0Bytes = 78;
constexpr size_t kPostHeaderBytes = 32;
constexpr size_t kMaxpBytes = 6;
constexpr size_t kFvarHeaderBytes = 16;
constexpr size_t kFvarAxisBytes = 20;
constexpr size_t kLayoutHeaderBytes = 8;  // version, ScriptList and FeatureList offsets
constexpr size_t kTagRecordBytes = 6;     // tag and offset
// The chosen name strings of one face decode to at most this many bytes: real fonts hold well
// under 100 KiB of them, and a forged table naming one long string under thousands of instance
// name IDs would otherwise cost gigabytes.
constexpr size_t kMaxDecodedNameBytes = size_t{4} << 20;

int64_t be64(const uint8_t* p) {
  return static_cast<int64_t>((uint64_t{readBe32(p)} << 32) | readBe32(p + 4));
}

QByteArray tagAt(const uint8_t* p) { return QByteArray(reinterpret_cast<const char*>(p), 4); }

// The tags of a ScriptList or FeatureList at `at` in the table (0: none): as many records as
// its count gives and its bytes hold.
void readTags(ByteSource& src, const Table& table, uint16_t at, QList<QByteArray>& out) {
  uint8_t count[2];
  if (at == 0 || !table.read(src, at, count, sizeof count)) return;
  const uint64_t room = (table.length - at - sizeof count) / kTagRecordBytes;
  const size_t n = static_cast<size_t>(std::min<uint64_t>(readBe16(count), room));
  std::vector<uint8_t> records(n * kTagRecordBytes);
  if (!table.read(src, at + sizeof count, records.data(), records.size())) return;
  for (size_t k = 0; k < n; ++k) out.append(tagAt(records.data() + k * kTagRecordBytes));
}

void sortUnique(QList<QByteArray>& list) {
  std::sort(list.begin(), list.end());
  list.erase(std::unique(list.begin(), list.end()), list.end());
}

// The axes, and the subfamily name ID of each named instance, as many as the table holds.
void readFvar(ByteSource& src, const Table& fvar, FaceDetails& out, std::vector<uint16_t>& instanceNameIds) {
  uint8_t h[kFvarHeaderBytes];
  if (fvar.prefix(src, h, sizeof h) != sizeof h || readBe16(h) != 1) return;
  const uint64_t axesAt = readBe16(h + 4), axisCount = readBe16(h + 8), axisSize = readBe16(h + 10);
  const uint64_t instanceCount = readBe16(h + 12), instanceSize = readBe16(h + 14);
  // Records of other sizes than the axes and coordinates need are no fvar table of version 1.
  if (axisSize < kFvarAxisBytes || instanceSize < 4 + 4 * axisCount) return;
  for (uint64_t k = 0; k < axisCount; ++k) {
    uint8_t a[16];
    if (!fvar.read(src, axesAt + k * axisSize, a, sizeof a)) return;
    out.axes.append({tagAt(a), static_cast<int32_t>(readBe32(a + 4)), static_cast<int32_t>(readBe32(a + 8)),
                     static_cast<int32_t>(readBe32(a + 12))});
  }
  const uint64_t instancesAt = axesAt + axisCount * axisSize;
  for (uint64_t k = 0; k < instanceCount; ++k) {
    uint8_t id[2];
    if (!fvar.read(src, instancesAt + k * instanceSize, id, sizeof id)) return;
    instanceNameIds.push_back(readBe16(id));
  }
}

// OS/2, post and maxp: the fixed fields the details show, each table left out when cut short.
void readStyleTables(ByteSource& src, const std::vector<TableRecord>& directory, FaceDetails& out) {
  if (const auto os2 = findTable(src, directory, "OS/2")) {
    uint8_t o[kOs2Version0Bytes];
    if (os2->prefix(src, o, sizeof o) == sizeof o) {
      out.hasOs2 = true;
      out.weight = readBe16(o + 4);
      out.width = readBe16(o + 6);
      out.fsType = readBe16(o + 8);
      // All four bytes, trailing spaces and NULs too: fontTools keeps them.
      out.vendor = tagAt(o + 58);
      out.fsSelection = readBe16(o + kFsSelectionOffset);
    }
  }
  if (const auto post = findTable(src, directory, "post")) {
    uint8_t p[kPostHeaderBytes];
    if ((out.hasPost = post->prefix(src, p, sizeof p) == sizeof p)) out.italicAngle = static_cast<int32_t>(readBe32(p + 4));
  }
  if (const auto maxp = findTable(src, directory, "maxp")) {
    uint8_t m[kMaxpBytes];
    if ((out.hasMaxp = maxp->prefix(src, m, sizeof m) == sizeof m)) out.glyphs = readBe16(m + 4);
  }

}

// Every name wanted (the kept IDs and the named instances'), chosen in one read of the name table.
void readNames(ByteSource& src, const std::vector<TableRecord>& directory, int32_t localeId,
               const std::vector<uint16_t>& instanceNameIds, FaceDetails& out) {
  std::vector<uint16_t> ids;
  for (const DetailName& name : kDetailNames) ids.push_back(name.id);
  ids.insert(ids.end(), instanceNameIds.begin(), instanceNameIds.end());
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  std::vector<std::pair<uint16_t, QString>> byId;  // sorted by ID: one kept record per ID
  for (const TableRecord& t : directory) {
    if (!t.is("name")) continue;
    FontTablesState names;
    src.willRead(t.offset, t.length);
    readNameTable(src, t.offset, names, localeId, ids, NameRecordsKept::Decoded, kMaxDecodedNameBytes);
    for (size_t k = 0; names.nameRecords && k < names.nameRecords->size(); ++k)
      byId.emplace_back((*names.nameRecords)[k].nameID,
                        QString::fromUtf16(names.nameStrings[k].data(), static_cast<qsizetype>(names.nameStrings[k].size())));
    std::sort(byId.begin(), byId.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    break;
  }
  const auto nameOf = [&](uint16_t id) {
    const auto it = std::lower_bound(byId.begin(), byId.end(), id, [](const auto& e, uint16_t v) { return e.first < v; });
    return it != byId.end() && it->first == id ? it->second : QString();
  };
  for (const DetailName& name : kDetailNames) out.names[name.id] = nameOf(name.id);
  out.instances.reserve(static_cast<qsizetype>(instanceNameIds.size()));
  for (const uint16_t id : instanceNameIds) out.instances.append(nameOf(id));
}

}  // namespace

bool readFaceDetails(ByteSource& src, uint32_t directoryOffset, int32_t localeId, FaceDetails& out) {
  out = FaceDetails();
  const auto directory = readTableDirectory(src, directoryOffset);
  if (!directory) return false;

  const auto head = findTable(src, *directory, "head");
  uint8_t h[kHeadFixedBytes];
  const size_t headBytes = head ? head->prefix(src, h, sizeof h) : 0;
  if (headBytes < 16 || readBe32(h + 12) != kHeadMagicNumber) return false;
  if (headBytes == sizeof h) {
    out.hasHead = true;
    out.revision = static_cast<int32_t>(readBe32(h + 4));
    out.unitsPerEm = readBe16(h + 18);
    out.created = be64(h + 20);
    out.modified = be64(h + 28);
  }

  for (const TableRecord& t : *directory) {
    const Outline outline = t.is("CFF2") ? Outline::CFF2 : t.is("CFF ") ? Outline::CFF
                            : t.is("glyf") ? Outline::TrueType : Outline::None;
    // CFF2 before CFF before glyf, should a face hold more than one.
    if (outline != Outline::None && (out.outline == Outline::None || outline > out.outline)) out.outline = outline;
  }

  readStyleTables(src, *directory, out);

  std::vector<uint16_t> instanceNameIds;
  if (const auto fvar = findTable(src, *directory, "fvar")) readFvar(src, *fvar, out, instanceNameIds);

  const auto readLayout = [&](const std::optional<Table>& layout) {
    uint8_t g[kLayoutHeaderBytes];
    if (!layout || layout->prefix(src, g, sizeof g) != sizeof g) return;
    readTags(src, *layout, readBe16(g + 4), out.scripts);
    readTags(src, *layout, readBe16(g + 6), out.features);
  };
  readLayout(findTable(src, *directory, "GSUB"));
  readLayout(findTable(src, *directory, "GPOS"));
  sortUnique(out.scripts);
  sortUnique(out.features);

  readNames(src, *directory, localeId, instanceNameIds, out);
  return true;
}

}  // namespace truetype
