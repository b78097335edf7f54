#pragma once
// The bytes of the catalogue cache's file: values in the machine's own order, strings with their
// length word, and the reading of them, every length checked against the bytes really there.
#include "platform/file_system.h"

#include <QString>
#include <QStringView>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace cache_bytes {

// A string's length word: its units, and whether each is one byte (Latin-1) rather than two.
inline constexpr uint32_t kOneByteUnits = 0x80000000u;

class Writer {
 public:
  std::string bytes;
  template <class T>
  void put(T v) {
    bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
  }
  void putString(QStringView s) {
    const bool oneByte = std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x100; });
    put<uint32_t>(static_cast<uint32_t>(s.size()) | (oneByte ? kOneByteUnits : 0));
    if (oneByte) {
      const size_t at = bytes.size();
      bytes.resize(at + static_cast<size_t>(s.size()));
      std::transform(s.begin(), s.end(), bytes.begin() + static_cast<ptrdiff_t>(at),
                     [](QChar c) { return static_cast<char>(c.unicode()); });
    } else {
      bytes.append(reinterpret_cast<const char*>(s.utf16()), static_cast<size_t>(s.size()) * 2);
    }
  }
};

class Reader {
 public:
  Reader(const char* p, size_t n) : p_(p), left_(n) {}
  size_t left() const { return left_; }
  template <class T>
  bool get(T& v) {
    if (left_ < sizeof v) return false;
    std::memcpy(&v, p_, sizeof v);
    skip(sizeof v);
    return true;
  }
  bool pass(size_t n) {
    if (left_ < n) return false;
    skip(n);
    return true;
  }
  // A string's units, checked to lie inside; not yet turned into a QString.
  bool getString(const char*& at, uint32_t& units, bool& oneByte) {
    uint32_t head;
    if (!get(head)) return false;
    units = head & ~kOneByteUnits;
    oneByte = (head & kOneByteUnits) != 0;
    const size_t width = oneByte ? 1 : 2;
    if (units > left_ / width) return false;
    at = p_;
    skip(units * width);
    return true;
  }

 private:
  void skip(size_t n) {
    p_ += n;
    left_ -= n;
  }
  const char* p_;
  size_t left_;
};

// The payload's strings. A record's names are each turned into a QString once per `made` (one a
// thread), a file's name straight into its path.
class Strings {
 public:
  bool read(Reader& in, uint32_t count) {
    spans_.resize(count);
    for (Span& s : spans_)
      if (!in.getString(s.at, s.units, s.oneByte)) return false;
    return true;
  }
  size_t count() const { return spans_.size(); }
  bool has(uint32_t k) const { return k < spans_.size(); }
  const QString& at(uint32_t k, std::vector<QString>& made) const {
    if (made[k].isNull() && spans_[k].units > 0) {
      made[k] = QString(static_cast<qsizetype>(spans_[k].units), Qt::Uninitialized);
      put(reinterpret_cast<char16_t*>(made[k].data()), spans_[k]);
    }
    return made[k];
  }
  // folder + "/" + name, in one allocation.
  QString path(uint32_t folder, uint32_t name) const {
    QString out(static_cast<qsizetype>(spans_[folder].units) + 1 + spans_[name].units, Qt::Uninitialized);
    char16_t* p = put(reinterpret_cast<char16_t*>(out.data()), spans_[folder]);
    *p++ = u'/';
    put(p, spans_[name]);
    return out;
  }

 private:
  struct Span {
    const char* at = nullptr;
    uint32_t units = 0;
    bool oneByte = false;
  };
  static char16_t* put(char16_t* out, const Span& s) {
    if (s.oneByte) {
      for (uint32_t k = 0; k < s.units; ++k) out[k] = static_cast<uint8_t>(s.at[k]);
    } else {
      std::memcpy(out, s.at, size_t{s.units} * 2);
    }
    return out + s.units;
  }
  std::vector<Span> spans_;
};

inline void putIdentity(Writer& out, const Identity& id) {
  for (const uint64_t v : {id.device, id.inode, id.size}) out.put(v);
  for (const int64_t v : {id.modifiedNs, id.changedNs}) out.put(v);
}

inline bool getIdentity(Reader& in, Identity& id) {
  return in.get(id.device) && in.get(id.inode) && in.get(id.size) && in.get(id.modifiedNs) && in.get(id.changedNs);
}

}  // namespace cache_bytes
