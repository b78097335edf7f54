#include "catalogue/sample_choices.h"

std::optional<FlexGridModel::ShownText> SampleChoices::choose(const QString& path, uint32_t face, const QString& text) {
  const std::pair<QString, uint32_t> key{path, face};
  auto it = faces_.find(key);
  if (it == faces_.end()) {
    if (faces_.size() >= kKept) faces_.clear();  // the faces in view are read again, once
    it = faces_.insert(key, Coverage{truetype::loadFaceCoverage(fs_, path, face, localeId_), {}, {}});
  }
  Coverage& c = *it;
  if (!c.face) return std::nullopt;
  if (c.asked != text) {
    c.asked = text;
    const truetype::ShownSample shown = truetype::chooseSample(c.face->map, text, c.face->ownText);
    c.shown.reset();
    if (shown.source != truetype::SampleSource::SampleText)
      c.shown = FlexGridModel::ShownText{shown.text, truetype::sampleNote(shown)};
  }
  return c.shown;
}
