#include "fontfile/font_facts.h"

#include "fontfile/cfont_preview.h"

FontFacts factsOf(const CFontPreview& reader) {
  return {reader.Bold(), reader.Italic(), reader.Underlined(), reader.StrikeOut(),
          static_cast<uint16_t>(reader.FaceCount()), reader.FamilyName()};
}
