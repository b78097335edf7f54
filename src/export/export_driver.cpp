#include "export/export_driver.h"

#include "core/runtime_error.h"
#include "fontfile/cfont_preview.h"
#include "fontfile/shown_sample.h"
#include "platform/font_system.h"

namespace exporting {

bool writeCatalogue(Steps& steps, OfficeSink& sink, office::OfficeFactory* factory, const ExportSource& source,
                    const QString& path) {
  bool failed = !sink.start(steps, factory);  // could not start, could not write, or stopped working
  const int line = sink.countLine();
  if (!failed) {
    int n = 0;
    steps(line, [&] { n = source.list.ListCount(); });
    for (int i = 0; i < n; ++i) {
      if (!steps.beforeFont(line + 2, i)) break;
      QString name, sample = source.sample.text;
      office::TextFont font;
      steps.perFont(line + 10, [&] {
        name = source.list.ItemName(i);
        const FontFace face{source.list.ItemPath(i), source.list.ItemFace(i)};
        font = rowFont(source.files, source.fonts, source.facts, name, face);
        // As the grid shows it: the text the face can draw when the user asked for that.
        if (!source.sample.ownScript) return;
        const auto shown = truetype::loadShownSample(source.files, face.path, face.index, source.fonts.localeId(), sample);
        if (shown) sample = shown->text;
      });
      if (!sink.write(steps, i + 1, name, sample, font)) {
        failed = true;
        break;
      }
    }
  }
  const bool saved = !failed && sink.save(steps, path);
  sink.quit(steps);
  return saved;
}

bool StraightSteps::operator()(int, const std::function<void()>& statement) {
  statement();
  return true;
}

bool StraightSteps::perFont(int, const std::function<void()>& statement) {
  statement();
  return true;
}

office::TextFont rowFont(FileSystem& files, FontSystem& fonts, const FactsByFace& facts, const QString& fullName,
                         const FontFace& face) {
  FontFacts f;
  if (const auto it = facts.constFind(face); it != facts.constEnd()) {
    f = *it;
  } else {
    try {
      CFontPreview reader(files, fonts);
      reader.setFontFileFace(face.path, face.index);
      f = factsOf(reader);
    } catch (const RuntimeError&) {
      // A file that cannot be read any more keeps the full name.
    }
  }
  if (f.family.isEmpty()) return {fullName, false, false};
  return {f.family, f.bold, f.italic};
}

}  // namespace exporting
