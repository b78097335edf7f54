#pragma once
// The sample the grids and the exports show: "AaBbCc123" at each window's own size unless the
// user chose words and a size of their own.
#include "core/catalogue_entry.h"

#include <QString>

struct SampleSettings {
  QString text = kSampleText;
  double points = 0;       // 0: each window's own size
  bool ownScript = false;  // a face that cannot draw the text shows text it can draw instead

  bool operator==(const SampleSettings&) const = default;
};

constexpr int kMaxSampleCharacters = 200;
constexpr double kMinSamplePoints = 8, kMaxSamplePoints = 144;

// Why `text` cannot be a sample (empty or blank, too long, a control character, a broken
// character), in words for the user; empty when it can.
QString sampleTextProblem(const QString& text);
