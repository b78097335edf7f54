#include "controls/raw_font_text.h"

#include <QGlyphRun>
#include <QPainter>

void drawInRawFont(QPainter* painter, const QRect& rect, Qt::Alignment align, const QString& text,
                   const QRawFont& face, bool underline, bool strikeOut) {
  const QList<quint32> glyphs = face.glyphIndexesForString(text);
  const QList<QPointF> advances = face.advancesForGlyphIndexes(glyphs, QRawFont::KernedAdvances);
  QList<QPointF> positions;
  positions.reserve(glyphs.size());
  qreal width = 0;
  for (const QPointF& advance : advances) {
    positions.append(QPointF(width, 0));
    width += advance.x();
  }
  const qreal ascent = face.ascent(), height = face.ascent() + face.descent();
  qreal x = rect.left();
  if (align & Qt::AlignHCenter) x += (rect.width() - width) / 2;
  else if (align & Qt::AlignRight) x = rect.left() + rect.width() - width;
  qreal baseline = rect.top() + (rect.height() - height) / 2 + ascent;
  if (align & Qt::AlignTop) baseline = rect.top() + ascent;
  else if (align & Qt::AlignBottom) baseline = rect.top() + rect.height() - height + ascent;
  QGlyphRun run;
  run.setRawFont(face);
  run.setGlyphIndexes(glyphs);
  run.setPositions(positions);
  run.setUnderline(underline);
  run.setStrikeOut(strikeOut);
  painter->drawGlyphRun(QPointF(x, baseline), run);
}
