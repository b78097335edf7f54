#pragma once
// The please-wait window shown while the catalogue is first filled.
#include <QCursor>
#include <QWidget>
#include <optional>

class Form1;
class QLabel;
class Yielder;

class Form3 : public QWidget {
  Q_OBJECT
 public:
  explicit Form3(Form1& owner);
  void Form_Load();
  // Shows the window with its text already drawn: the fill that follows reads files without
  // returning to the message loop, which would leave the first frame blank.
  void showPainted(Yielder& yielder);
  QLabel* Label1 = nullptr;
  bool hasMouseIcon() const { return mouseIcon_.has_value(); }

 protected:
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  Form1& owner_;
  std::optional<QCursor> mouseIcon_;
};
