#pragma once
// Which text each face in view shows when a face must show text it can draw: its character map
// and its own sample text are read once, when it is first drawn so, and kept for the faces drawn
// last, so that a new sample text reads no file again.
#include "controls/flex_grid_model.h"
#include "fontfile/shown_sample.h"
#include "platform/file_system.h"

#include <QHash>
#include <QString>
#include <optional>
#include <utility>

class SampleChoices {
 public:
  SampleChoices(FileSystem& fs, int32_t localeId) : fs_(fs), localeId_(localeId) {}

  // The text face `face` of the file shows for `text` and a note saying why, where it is not
  // `text`; nothing where it is, or where the file cannot be read.
  std::optional<FlexGridModel::ShownText> choose(const QString& path, uint32_t face, const QString& text);

 private:
  struct Coverage {
    std::optional<truetype::FaceCoverage> face;  // none: the file cannot be read, and is tried once
    std::optional<QString> asked;                // the last text asked for, and what it showed
    std::optional<FlexGridModel::ShownText> shown;
  };
  static constexpr qsizetype kKept = 512;  // more than any screen shows

  FileSystem& fs_;
  const int32_t localeId_;
  QHash<std::pair<QString, uint32_t>, Coverage> faces_;
};
