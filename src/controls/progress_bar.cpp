#include "controls/progress_bar.h"

#include "controls/readable_color.h"
#include "core/runtime_error.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <cmath>

namespace {

// What a screen reader hears of the bar: its text as the name, its value in per cent.
class ProgressBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit ProgressBarAccessible(ProgressBar* bar) : QAccessibleWidget(bar, QAccessible::ProgressBar), bar_(bar) {}
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && bar_->accessibleName().isEmpty()) return bar_->Text();
    if (t == QAccessible::Value) return QString::number(std::lround(bar_->Value())) + QLatin1Char('%');
    return QAccessibleWidget::text(t);
  }
  QVariant currentValue() const override { return bar_->Value(); }
  void setCurrentValue(const QVariant&) override {}  // it shows progress; nobody sets it from outside
  QVariant maximumValue() const override { return 100.0; }
  QVariant minimumValue() const override { return 0.0; }
  QVariant minimumStepSize() const override { return 0.0; }

 private:
  ProgressBar* bar_;
};

QAccessibleInterface* accessibleBar(const QString& className, QObject* object) {
  auto* bar = qobject_cast<ProgressBar*>(object);
  return bar && className == QLatin1String("ProgressBar") ? new ProgressBarAccessible(bar) : nullptr;
}

}  // namespace

ProgressBar::ProgressBar(QWidget* parent) : QWidget(parent) {
  static const bool factoryInstalled = (QAccessible::installFactory(accessibleBar), true);
  (void)factoryInstalled;
}

void ProgressBar::setValue(double value) {
  if (std::isnan(value) || value < 0 || value > 100)
    throw errors::invalidPropertyValue();
  if (value == value_) return;
  value_ = value;
  update();
  if (QAccessible::isActive()) {
    QAccessibleValueChangeEvent event(this, value_);
    QAccessible::updateAccessibility(&event);
  }
}

void ProgressBar::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  update();
  if (QAccessible::isActive()) {
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
  }
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
  painter.setPen(readableOn(pal.color(QPalette::Highlight), pal.color(QPalette::HighlightedText)));
  painter.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, text_);
  painter.setClipRegion(QRegion(inner).subtracted(QRegion(bar)));
  painter.setPen(readableOn(pal.color(QPalette::Base), pal.color(QPalette::Text)));
  painter.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, text_);
}
