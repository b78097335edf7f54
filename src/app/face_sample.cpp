#include "app/face_sample.h"

#include "controls/raw_font_text.h"
#include "core/catalogue_entry.h"

#include <QPainter>

namespace {
constexpr int kMargin = 8;
const QString kCannotDraw = QStringLiteral("This face cannot be drawn.");
}  // namespace

FaceSample::FaceSample(QWidget* parent) : QWidget(parent) {
  setAccessibleName(QStringLiteral("Sample"));
  setBackgroundRole(QPalette::Base);
  setForegroundRole(QPalette::Text);
  setAutoFillBackground(true);
}

void FaceSample::setFace(const QString& path, uint32_t face) {
  path_ = path;
  faceIndex_ = face;
  load();
}

void FaceSample::setPoints(int points) {
  if (points == points_) return;
  points_ = points;
  load();
}

void FaceSample::load() {
  const qreal pixels = points_ * logicalDpiY() / 72.0;
  face_ = path_.isEmpty() ? nullptr : FontFileFace::load(path_, pixels, faceIndex_);
  setAccessibleDescription(face_ ? QStringLiteral("%1 at %2 points").arg(kSampleText).arg(points_) : kCannotDraw);
  setMinimumSize(sizeHint());
  updateGeometry();
  update();
}

QSize FaceSample::sizeHint() const {
  if (!face_) return QSize(fontMetrics().horizontalAdvance(kCannotDraw), fontMetrics().height()) + QSize(2 * kMargin, 2 * kMargin);
  const QRawFont& f = face_->font();
  qreal width = 0;
  for (const QPointF& advance : f.advancesForGlyphIndexes(f.glyphIndexesForString(kSampleText)))
    width += advance.x();
  return QSize(qCeil(width), qCeil(f.ascent() + f.descent())) + QSize(2 * kMargin, 2 * kMargin);
}

void FaceSample::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Text));
  if (!face_) {
    painter.drawText(rect().adjusted(kMargin, kMargin, -kMargin, -kMargin), Qt::AlignLeft | Qt::AlignVCenter, kCannotDraw);
    return;
  }
  drawInRawFont(&painter, rect().adjusted(kMargin, kMargin, -kMargin, -kMargin), Qt::AlignLeft | Qt::AlignVCenter,
                kSampleText, face_->font());
}
