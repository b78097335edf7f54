#pragma once
// The full-window list.
#include <QWidget>

class Form1;
class FlexGrid;

class Form2 : public QWidget {
  Q_OBJECT
 public:
  explicit Form2(Form1& owner);
  FlexGrid* MSFlexGrid1 = nullptr;

 private:
  Form1& owner_;
};
