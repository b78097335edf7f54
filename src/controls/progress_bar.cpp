#include "controls/progress_bar.h"

#include "core/runtime_error.h"

#include <QPainter>
#include <cmath>

ProgressBar::ProgressBar(QWidget* parent) : QWidget(parent) {}

void ProgressBar::setValue(double value) {
  if (std::isnan(value) || value < 0 || value > 100)
    throw errors::invalidPropertyValue();
  if (value == value_) return;
  value_ = value;
  update();
}

void ProgressBar::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  update();
}

void ProgressBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& pal = palette();
  const QRect frame = rect().adjusted(0, 0, -1, -1);
  const QRect inner = rect().adjusted(1, 1, -1, -1);
  painter.fillRect(inner, pal.color(QPalette::Base));
  const int filled = int(std::lround(inner.width() * value_ / 100.0));
  const QRect bar(inner.left(), inner.top(), filled, inner.height());
  painter.fillRect(bar, pal.color(QPalette::Highlight));
  painter.setPen(pal.color(QPalette::Mid));
  painter.drawRect(frame);

  // The text changes colour where the bar passes under it, so it stays readable.
  painter.setFont(font());
  painter.setClipRect(bar);
  painter.setPen(pal.color(QPalette::HighlightedText));
  painter.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, text_);
  painter.setClipRegion(QRegion(inner).subtracted(QRegion(bar)));
  painter.setPen(pal.color(QPalette::Text));
  painter.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, text_);
}
