#include "support/font_builder.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <utility>

namespace {
void appendU16(QByteArray& out, uint16_t v) {
  out.append(static_cast<char>(v >> 8));
  out.append(static_cast<char>(v & 0xFF));
}
void appendU32(QByteArray& out, uint32_t v) {
  appendU16(out, static_cast<uint16_t>(v >> 16));
  appendU16(out, static_cast<uint16_t>(v & 0xFFFF));
}
uint16_t encodingFor(uint16_t platformID) {
  return platformID == 3 ? 1 : platformID == 0 ? 3 : 0;
}
}  // namespace

void putU16(QByteArray& out, qsizetype at, uint16_t v) {
  out[at] = static_cast<char>(v >> 8);
  out[at + 1] = static_cast<char>(v & 0xFF);
}
void putU32(QByteArray& out, qsizetype at, uint32_t v) {
  putU16(out, at, static_cast<uint16_t>(v >> 16));
  putU16(out, at + 2, static_cast<uint16_t>(v & 0xFFFF));
}

FontBuilder& FontBuilder::sfntVersion(uint32_t value) { sfntVersion_ = value; return *this; }
FontBuilder& FontBuilder::magic(uint32_t value) { magic_ = value; return *this; }
FontBuilder& FontBuilder::withoutHead() { head_ = false; return *this; }
FontBuilder& FontBuilder::withoutName() { name_ = false; return *this; }

FontBuilder& FontBuilder::name(uint16_t platformID, uint16_t languageID, uint16_t nameID,
                               std::u16string_view text) {
  QByteArray bytes;
  for (char16_t c : text) {
    if (platformID == 1) bytes.append(static_cast<char>(c <= 0xFF ? c : '?'));
    else appendU16(bytes, c);
  }
  return nameBytes(platformID, languageID, nameID, bytes);
}

FontBuilder& FontBuilder::name(uint16_t platformID, uint16_t languageID, uint16_t nameID,
                               const QString& text) {
  return name(platformID, languageID, nameID,
              std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                  static_cast<size_t>(text.size())));
}

FontBuilder& FontBuilder::nameBytes(uint16_t platformID, uint16_t languageID, uint16_t nameID,
                                    const QByteArray& bytes) {
  records_.push_back({platformID, encodingFor(platformID), languageID, nameID, bytes, {}, {}});
  return *this;
}

FontBuilder& FontBuilder::rawNameRecord(uint16_t platformID, uint16_t languageID, uint16_t nameID,
                                        uint16_t length, uint16_t offset) {
  records_.push_back({platformID, encodingFor(platformID), languageID, nameID, {}, length, offset});
  return *this;
}

FontBuilder& FontBuilder::nameCount(uint16_t count) { nameCount_ = count; return *this; }
FontBuilder& FontBuilder::stringOffsetGap(uint32_t bytes) { stringOffsetGap_ = bytes; return *this; }
FontBuilder& FontBuilder::stringStartGap(uint32_t bytes) { stringStartGap_ = bytes; return *this; }
FontBuilder& FontBuilder::fsSelection(uint16_t value) { fsSelection_ = value; return *this; }
FontBuilder& FontBuilder::os2Size(uint32_t bytes) { os2Size_ = bytes; return *this; }
FontBuilder& FontBuilder::table(const QByteArray& tag, const QByteArray& data) {
  extra_.push_back({tag.leftJustified(4, ' ', true), data});
  return *this;
}
FontBuilder& FontBuilder::order(const QList<QByteArray>& tags) { order_ = tags; return *this; }
FontBuilder& FontBuilder::numTables(uint16_t count) { numTables_ = count; return *this; }
FontBuilder& FontBuilder::tableOffset(const QByteArray& tag, uint32_t offset) {
  offsets_.emplace_back(tag, offset);
  return *this;
}
FontBuilder& FontBuilder::truncate(qsizetype size) { truncate_ = size; return *this; }

QByteArray FontBuilder::nameTable() const {
  QByteArray storage(static_cast<qsizetype>(stringStartGap_), '\xEE');
  QByteArray records;
  for (const Record& r : records_) {
    uint16_t length, offset;
    if (r.length) {
      length = *r.length;
      offset = *r.offset;
    } else {
      length = static_cast<uint16_t>(r.bytes.size());
      offset = static_cast<uint16_t>(storage.size());
      storage.append(r.bytes);
    }
    appendU16(records, r.platformID);
    appendU16(records, r.encodingID);
    appendU16(records, r.languageID);
    appendU16(records, r.nameID);
    appendU16(records, length);
    appendU16(records, offset);
  }
  QByteArray out;
  appendU16(out, 0);  // format
  appendU16(out, nameCount_.value_or(static_cast<uint16_t>(records_.size())));
  appendU16(out, static_cast<uint16_t>(6 + records.size() + stringOffsetGap_));
  out.append(records);
  out.append(QByteArray(static_cast<qsizetype>(stringOffsetGap_), '\xDD'));
  out.append(storage);
  return out;
}

QByteArray FontBuilder::build() const {
  std::vector<Table> tables;
  if (head_) {
    QByteArray head(54, '\0');
    putU32(head, 0, 0x00010000);  // version
    putU32(head, 12, magic_);
    putU16(head, 18, 2048);  // unitsPerEm
    tables.push_back({"head", head});
  }
  if (name_) tables.push_back({"name", nameTable()});
  if (fsSelection_) {
    QByteArray os2(static_cast<qsizetype>(os2Size_), '\0');
    if (os2.size() >= 64) putU16(os2, 62, *fsSelection_);
    tables.push_back({"OS/2", os2});
  }
  tables.insert(tables.end(), extra_.begin(), extra_.end());
  if (!order_.isEmpty()) {
    std::stable_sort(tables.begin(), tables.end(), [&](const Table& a, const Table& b) {
      const auto rank = [&](const Table& t) {
        const qsizetype i = order_.indexOf(t.tag);
        return i < 0 ? order_.size() : i;
      };
      return rank(a) < rank(b);
    });
  }

  QByteArray out;
  appendU32(out, sfntVersion_);
  appendU16(out, numTables_.value_or(static_cast<uint16_t>(tables.size())));
  appendU16(out, 0);  // searchRange, entrySelector, rangeShift: never examined
  appendU16(out, 0);
  appendU16(out, 0);
  qsizetype dataAt = 12 + 16 * static_cast<qsizetype>(tables.size());
  QByteArray data;
  std::vector<bool> patched(offsets_.size(), false);
  for (const Table& t : tables) {
    uint32_t offset = static_cast<uint32_t>(dataAt + data.size());
    for (size_t k = 0; k < offsets_.size(); ++k) {
      if (!patched[k] && offsets_[k].first == t.tag) {
        offset = offsets_[k].second;
        patched[k] = true;
        break;
      }
    }
    out.append(t.tag);
    appendU32(out, 0);  // checkSum
    appendU32(out, offset);
    appendU32(out, static_cast<uint32_t>(t.data.size()));
    data.append(t.data);
    while (data.size() % 4) data.append('\0');
  }
  out.append(data);
  if (truncate_) out.truncate(*truncate_);
  return out;
}

bool FontBuilder::writeTo(const QString& path) const {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const QByteArray bytes = build();
  return f.write(bytes) == bytes.size();
}

QByteArray fontCollection(const std::vector<QByteArray>& fonts, uint32_t version) {
  QByteArray out("ttcf");
  appendU32(out, version);
  appendU32(out, static_cast<uint32_t>(fonts.size()));
  auto at = static_cast<uint32_t>(12 + 4 * fonts.size());
  for (const QByteArray& font : fonts) appendU32(out, std::exchange(at, at + static_cast<uint32_t>(font.size())));
  for (QByteArray font : fonts) {  // each moved to its place, the offsets of its tables too
    for (int e = 20; e < 12 + 16 * ((uint8_t(font[4]) << 8) | uint8_t(font[5])); e += 16)
      putU32(font, e, qFromBigEndian<uint32_t>(font.constData() + e) + static_cast<uint32_t>(out.size()));
    out.append(font);
  }
  return out;
}

QByteArray forgedNameTableFont() {
  FontBuilder builder;
  for (int j = 0; j < 0xFFFF; ++j) builder.rawNameRecord(3, 0x0409, static_cast<uint16_t>(j % 8), 0xFFFF, 0);
  QByteArray font = builder.build();
  // The string storage starts where the records do, so every string is 65,535 bytes of them.
  const uint16_t numTables = static_cast<uint16_t>((uint8_t(font[4]) << 8) | uint8_t(font[5]));
  for (int i = 0; i < numTables; ++i) {
    const qsizetype entry = 12 + 16 * i;
    if (font.mid(entry, 4) != "name") continue;
    const auto at = [&](qsizetype k) { return uint32_t(uint8_t(font[entry + 8 + k])); };
    putU16(font, (at(0) << 24 | at(1) << 16 | at(2) << 8 | at(3)) + 4, 6);
  }
  return font;
}

QByteArray fvarTable(const QList<FvarAxis>& axes, const QList<uint16_t>& instanceNameIds, uint16_t axisSize,
                     uint16_t instanceSize) {
  if (instanceSize == 0) instanceSize = static_cast<uint16_t>(4 + 4 * axes.size());
  QByteArray t(16, '\0');
  putU16(t, 0, 1);
  putU16(t, 4, 16);
  putU16(t, 6, 2);
  putU16(t, 8, static_cast<uint16_t>(axes.size()));
  putU16(t, 10, axisSize);
  putU16(t, 12, static_cast<uint16_t>(instanceNameIds.size()));
  putU16(t, 14, instanceSize);
  for (const FvarAxis& a : axes) {
    QByteArray record(axisSize, '\0');
    record.replace(0, 4, a.tag.leftJustified(4, ' ', true));
    putU32(record, 4, static_cast<uint32_t>(a.min));
    putU32(record, 8, static_cast<uint32_t>(a.def));
    putU32(record, 12, static_cast<uint32_t>(a.max));
    t += record;
  }
  for (const uint16_t id : instanceNameIds) {
    QByteArray record(instanceSize, '\0');
    putU16(record, 0, id);
    t += record;
  }
  return t;
}

QByteArray layoutTable(const QList<QByteArray>& scripts, const QList<QByteArray>& features) {
  QByteArray t(10, '\0');
  putU16(t, 0, 1);
  const auto list = [&](const QList<QByteArray>& tags, qsizetype offsetAt) {
    putU16(t, offsetAt, static_cast<uint16_t>(t.size()));
    QByteArray count(2, '\0');
    putU16(count, 0, static_cast<uint16_t>(tags.size()));
    t += count;
    for (const QByteArray& tag : tags) t += tag.leftJustified(4, ' ', true) + QByteArray(2, '\0');
  };
  list(scripts, 4);
  list(features, 6);
  return t;
}

QByteArray cmapTable(const QList<CmapSubtable>& subtables) {
  QByteArray t;
  appendU16(t, 0);
  appendU16(t, static_cast<uint16_t>(subtables.size()));
  QByteArray data;
  const qsizetype dataAt = 4 + 8 * subtables.size();
  for (const CmapSubtable& s : subtables) {
    appendU16(t, s.platformID);
    appendU16(t, s.encodingID);
    while (data.size() % 4) data += '\0';
    appendU32(t, s.offset ? *s.offset : static_cast<uint32_t>(dataAt + data.size()));
    data += s.data;
  }
  return t + data;
}

QByteArray cmapFormat4(const QList<CmapSegment>& segments, const QList<uint16_t>& glyphIds) {
  const auto segCount = static_cast<uint16_t>(segments.size());
  QByteArray t;
  appendU16(t, 4);
  appendU16(t, 0);  // length, below
  appendU16(t, 0);  // language
  appendU16(t, static_cast<uint16_t>(2 * segCount));
  uint16_t power = 1, log = 0;
  while (2 * power <= segCount) {
    power *= 2;
    ++log;
  }
  appendU16(t, static_cast<uint16_t>(2 * power));
  appendU16(t, log);
  appendU16(t, static_cast<uint16_t>(2 * segCount - 2 * power));
  for (const CmapSegment& s : segments) appendU16(t, s.end);
  appendU16(t, 0);  // reservedPad
  for (const CmapSegment& s : segments) appendU16(t, s.start);
  for (const CmapSegment& s : segments) appendU16(t, s.delta);
  for (const CmapSegment& s : segments) appendU16(t, s.rangeOffset);
  for (const uint16_t g : glyphIds) appendU16(t, g);
  putU16(t, 2, static_cast<uint16_t>(std::min<qsizetype>(t.size(), 0xFFFF)));
  return t;
}

QByteArray cmapGroups(uint16_t format, const QList<CmapGroup>& groups, std::optional<uint32_t> count) {
  QByteArray t;
  appendU16(t, format);
  appendU16(t, 0);
  appendU32(t, static_cast<uint32_t>(16 + 12 * groups.size()));
  appendU32(t, 0);  // language
  appendU32(t, count ? *count : static_cast<uint32_t>(groups.size()));
  for (const CmapGroup& g : groups) {
    appendU32(t, g.first);
    appendU32(t, g.last);
    appendU32(t, g.glyph);
  }
  return t;
}
