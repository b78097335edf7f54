#include "catalogue/kept_details.h"

#include "catalogue/cache_bytes.h"

#include <QSet>

using namespace cache_bytes;
using truetype::FaceDetails;

namespace {

// Lists are kept as one string each: a catalogue's faces share a few lists (a family's
// languages), which are then written, read and split once.
QString joined(const QList<QByteArray>& list) { return QString::fromLatin1(list.join(',')); }
QList<QByteArray> split(const QString& text) {
  return text.isEmpty() ? QList<QByteArray>() : text.toLatin1().split(',');
}

// Each string once: a hash of views of the details' own strings, there until the end.
struct Table {
  Writer bytes;
  QHash<QString, uint32_t> index;
  uint32_t ref(const QString& s) {
    auto it = index.constFind(s);
    if (it == index.cend()) {
      it = index.insert(s, static_cast<uint32_t>(index.size()));
      bytes.putString(s);
    }
    return *it;
  }
};

// A string's index in as few bytes as it needs, seven bits each: most take one or two.
void putRef(Writer& out, uint32_t k) {
  for (; k >= 0x80; k >>= 7) out.put(static_cast<uint8_t>(k | 0x80));
  out.put(static_cast<uint8_t>(k));
}

// The file's size is its identity's, and goes with the key.
void putFace(Writer& out, Table& table, const FaceDetails& d) {
  out.put(static_cast<uint8_t>(d.outline));
  out.put(static_cast<uint8_t>(d.spacing));
  out.put(static_cast<uint8_t>(d.hasHead | d.hasOs2 << 1 | d.hasPost << 2 | d.hasMaxp << 3));
  out.put(d.revision), out.put(d.unitsPerEm), out.put(d.created), out.put(d.modified);
  putRef(out, table.ref(QString::fromLatin1(d.vendor)));
  for (const uint16_t v : {d.weight, d.width, d.fsSelection, d.fsType, d.glyphs}) out.put(v);
  out.put(d.italicAngle);
  uint32_t names = 0;  // one bit a name ID present
  for (size_t id = 0; id < d.names.size(); ++id) names |= uint32_t{!d.names[id].isEmpty()} << id;
  out.put(names);
  for (const QString& name : d.names)
    if (!name.isEmpty()) putRef(out, table.ref(name));
  out.put(static_cast<uint16_t>(d.axes.size()));
  for (const auto& axis : d.axes) {
    putRef(out, table.ref(QString::fromLatin1(axis.tag)));
    for (const int32_t v : {axis.min, axis.def, axis.max}) out.put(v);
  }
  out.put(static_cast<uint16_t>(d.instances.size()));
  for (const QString& name : d.instances) putRef(out, table.ref(name));
  for (const auto* list : {&d.scripts, &d.features, &d.languages}) putRef(out, table.ref(joined(*list)));
}

}  // namespace

std::string encodeDetails(const DetailsByFace& details, const Records& records) {
  QSet<DetailsKey> held;  // the records' files, as face 0
  held.reserve(static_cast<qsizetype>(records.files.size()));
  for (const auto& [path, record] : records.files) held.insert({record.identity, 0});
  Table table;
  Writer body;
  uint32_t count = 0;
  for (auto it = details.cbegin(); it != details.cend(); ++it) {
    if (!held.contains({it.key().identity, 0}) || it.key().face > UINT16_MAX) continue;
    putIdentity(body, it.key().identity);
    body.put(static_cast<uint16_t>(it.key().face));
    putFace(body, table, *it);
    ++count;
  }
  Writer out;
  out.put(static_cast<uint32_t>(table.index.size()));
  out.bytes += table.bytes.bytes;
  out.put(count);
  out.bytes += body.bytes;
  return out.bytes;
}

namespace {

class FaceReader {
 public:
  FaceReader(Reader& in, const Strings& strings) : in_(in), strings_(strings), made_(strings.count()) {}
  bool ref(uint32_t& k) {
    k = 0;
    for (int shift = 0; shift < 35; shift += 7) {
      uint8_t b = 0;
      if (!in_.get(b)) return false;
      k |= uint32_t{b & 0x7Fu} << shift;
      if (!(b & 0x80)) return strings_.has(k);
    }
    return false;
  }
  bool string(QString& out) {
    uint32_t k = 0;
    if (!ref(k)) return false;
    out = strings_.at(k, made_);
    return true;
  }
  bool list(QList<QByteArray>& out) {
    uint32_t k = 0;
    if (!ref(k)) return false;
    if (lists_.size() <= k) lists_.resize(strings_.count());
    if (!lists_[k]) lists_[k] = split(strings_.at(k, made_));  // split once, shared by every face
    out = *lists_[k];
    return true;
  }
  bool face(FaceDetails& d);

 private:
  Reader& in_;
  const Strings& strings_;
  std::vector<QString> made_;
  std::vector<std::optional<QList<QByteArray>>> lists_;
};

bool FaceReader::face(FaceDetails& d) {
  uint8_t outline = 0, spacing = 0, has = 0;
  uint32_t names = 0;
  QString vendor;
  if (!in_.get(outline) || outline > 3 || !in_.get(spacing) || spacing > 3 || !in_.get(has) || has > 15 ||
      !in_.get(d.revision) || !in_.get(d.unitsPerEm) || !in_.get(d.created) || !in_.get(d.modified) ||
      !string(vendor))
    return false;
  d.outline = static_cast<truetype::Outline>(outline);
  d.spacing = static_cast<truetype::Spacing>(spacing);
  d.hasHead = has & 1, d.hasOs2 = has & 2, d.hasPost = has & 4, d.hasMaxp = has & 8;
  d.vendor = vendor.toLatin1();
  for (uint16_t* v : {&d.weight, &d.width, &d.fsSelection, &d.fsType, &d.glyphs})
    if (!in_.get(*v)) return false;
  if (!in_.get(d.italicAngle) || !in_.get(names) || names >> d.names.size() != 0) return false;
  for (size_t id = 0; id < d.names.size(); ++id)
    if ((names >> id & 1) && !string(d.names[id])) return false;
  uint16_t axes = 0, instances = 0;
  if (!in_.get(axes) || axes > in_.left() / 13) return false;
  if (axes) d.axes.resize(axes);  // no allocation for none, as most faces have
  for (auto& axis : d.axes) {
    QString tag;
    if (!string(tag) || !in_.get(axis.min) || !in_.get(axis.def) || !in_.get(axis.max)) return false;
    axis.tag = tag.toLatin1();
  }
  if (!in_.get(instances) || instances > in_.left()) return false;
  if (instances) d.instances.resize(instances);
  for (QString& name : d.instances)
    if (!string(name)) return false;
  return list(d.scripts) && list(d.features) && list(d.languages);
}

}  // namespace

std::optional<DetailsByFace> decodeDetails(QByteArrayView section) {
  Reader in(section.data(), static_cast<size_t>(section.size()));
  uint32_t stringCount = 0, count = 0;
  Strings strings;
  if (!in.get(stringCount) || stringCount > in.left() / 4 || !strings.read(in, stringCount) || !in.get(count) ||
      count > in.left() / 64)
    return std::nullopt;
  DetailsByFace out;
  out.reserve(count);
  FaceReader faces(in, strings);
  for (uint32_t k = 0; k < count; ++k) {
    DetailsKey key;
    uint16_t face = 0;
    truetype::FaceDetails details;
    if (!getIdentity(in, key.identity) || !in.get(face) || !faces.face(details)) return std::nullopt;
    key.face = face;
    details.fileSize = key.identity.size;
    out.emplace(key, std::move(details));
  }
  if (in.left() != 0) return std::nullopt;
  return out;
}
