#pragma once
// Style bits and family name read from a file while collecting, so the grid fill and the
// exports need not open it again.
#include <QHash>
#include <QString>

class CFontPreview;

struct FontFacts {
  bool bold = false;
  bool italic = false;
  bool underlined = false;
  bool strikeOut = false;
  QString family = {};  // name ID 1, chosen by the full name's locale rule
};
using FactsByPath = QHash<QString, FontFacts>;

// The facts of the file a reader has read.
FontFacts factsOf(const CFontPreview& reader);
