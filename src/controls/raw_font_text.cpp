#include "controls/raw_font_text.h"

#include "core/catalogue_entry.h"

#include <QGlyphRun>
#include <QPainter>
#include <QTextLayout>

namespace {

struct Placed {
  QList<QGlyphRun> runs;  // glyph positions from the run's origin, baseline at y = 0
  qreal width = 0;
};

// The default sample, ASCII letters and digits, is placed glyph by glyph with the face's kerning,
// as it always was.
Placed placeByMap(const QString& text, const QRawFont& face) {
  const QList<quint32> glyphs = face.glyphIndexesForString(text);
  const QList<QPointF> advances = face.advancesForGlyphIndexes(glyphs, QRawFont::KernedAdvances);
  QList<QPointF> positions;
  positions.reserve(glyphs.size());
  Placed placed;
  for (const QPointF& advance : advances) {
    positions.append(QPointF(placed.width, 0));
    placed.width += advance.x();
  }
  QGlyphRun run;
  run.setRawFont(face);
  run.setGlyphIndexes(glyphs);
  run.setPositions(positions);
  placed.runs.append(run);
  return placed;
}

// Any other text is shaped by the system's text engine in the file's face: right-to-left text,
// combining marks and ligatures come out as the font means them.
Placed placeShaped(const QString& text, const QRawFont& face) {
  QTextLayout layout(text);
  layout.setRawFont(face);
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (line.isValid()) line.setLineWidth(1e6);
  layout.endLayout();
  Placed placed;
  if (!line.isValid()) return placed;
  placed.width = line.naturalTextWidth();
  const qreal ascent = line.ascent();
  for (QGlyphRun run : layout.glyphRuns()) {
    QList<QPointF> positions = run.positions();
    for (QPointF& p : positions) p.ry() -= ascent;
    run.setPositions(positions);
    placed.runs.append(run);
  }
  return placed;
}

}  // namespace

void drawInRawFont(QPainter* painter, const QRect& rect, Qt::Alignment align, const QString& text,
                   const QRawFont& face, bool underline, bool strikeOut) {
  Placed placed = text == kSampleText ? placeByMap(text, face) : placeShaped(text, face);
  const qreal ascent = face.ascent(), height = face.ascent() + face.descent();
  qreal x = rect.left();
  if (align & Qt::AlignHCenter) x += (rect.width() - placed.width) / 2;
  else if (align & Qt::AlignRight) x = rect.left() + rect.width() - placed.width;
  qreal baseline = rect.top() + (rect.height() - height) / 2 + ascent;
  if (align & Qt::AlignTop) baseline = rect.top() + ascent;
  else if (align & Qt::AlignBottom) baseline = rect.top() + rect.height() - height + ascent;
  for (QGlyphRun& run : placed.runs) {
    run.setUnderline(underline);
    run.setStrikeOut(strikeOut);
    painter->drawGlyphRun(QPointF(x, baseline), run);
  }
}
