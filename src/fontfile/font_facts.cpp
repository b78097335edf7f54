#include "fontfile/font_facts.h"

#include "fontfile/cfont_preview.h"

FontFacts factsOf(const CFontPreview& reader) {
  return {reader.Bold(), reader.Italic(), reader.Underlined(), reader.StrikeOut(), reader.FamilyName()};
}
