#pragma once
// Which font files the catalogue takes: TrueType files (".ttf") as it always has, or, as the
// user chooses, OpenType and collection files too (".otf", ".ttc", ".otc").
#include <QString>

enum class FontFormats { TrueType, All };

// The file-name patterns of the formats, ";" between two.
inline QString fontFilePattern(FontFormats formats) {
  return formats == FontFormats::All ? QStringLiteral("*.ttf;*.otf;*.ttc;*.otc") : QStringLiteral("*.ttf");
}
