#pragma once
// A font as office programs choose a face: family name plus bold and italic.
#include <QHashFunctions>
#include <QString>

namespace office {

struct TextFont {
  QString name;
  bool bold = false;
  bool italic = false;
  bool operator==(const TextFont&) const = default;
};

inline size_t qHash(const TextFont& f, size_t seed = 0) { return qHashMulti(seed, f.name, f.bold, f.italic); }

}  // namespace office
