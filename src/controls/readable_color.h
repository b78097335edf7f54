#pragma once
// Text colours that stay readable whatever the theme: a background may be fixed (the light-blue
// rows, a white label) while the text colour comes from a dark palette, or the other way round.
#include <QColor>

// The contrast ratio of two colours as WCAG defines it, from 1 (none) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);
// `preferred` when it reads well on `back` (4.5:1, WCAG AA), else black or white, whichever
// contrasts more.
QColor readableOn(const QColor& back, const QColor& preferred);
