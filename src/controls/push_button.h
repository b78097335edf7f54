#pragma once
#include <QPushButton>

// Command button: a caption, a click and a mouse-move event.
class PushButton : public QPushButton {
  Q_OBJECT
 public:
  explicit PushButton(const QString& caption, QWidget* parent = nullptr);
  QString Caption() const { return text(); }
  void setCaption(const QString& caption) { setText(caption); }
  // The control's default property; the program sets it to 1 before a direct click call.
  int Value() const { return value_; }
  void setValue(int value) { value_ = value; }

 signals:
  void MouseMove();

 protected:
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  int value_ = 0;
};
