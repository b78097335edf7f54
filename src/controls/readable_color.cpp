#include "controls/readable_color.h"

#include <algorithm>
#include <cmath>

namespace {
double relativeLuminance(const QColor& color) {
  const auto linear = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
  const QColor rgb = color.toRgb();
  return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}
}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
  const double la = relativeLuminance(a), lb = relativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor& back, const QColor& preferred) {
  if (contrastRatio(back, preferred) >= 4.5) return preferred;
  const QColor black(Qt::black), white(Qt::white);
  return contrastRatio(back, black) >= contrastRatio(back, white) ? black : white;
}
