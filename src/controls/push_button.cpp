#include "controls/push_button.h"

#include <QMouseEvent>

PushButton::PushButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
  QFont font(QStringLiteral("Arial"));
  font.setBold(true);
  font.setPointSizeF(11.25);
  setFont(font);
  setMouseTracking(true);  // the pointer rule runs on every move, not only while pressed
}

void PushButton::mouseMoveEvent(QMouseEvent* event) {
  emit MouseMove();
  QPushButton::mouseMoveEvent(event);
  // Handled here: passed on, the move would reach the window, whose own rule takes the
  // button's pointer away again at once.
  event->accept();
}
