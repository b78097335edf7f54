#pragma once
#include <QWidget>

// Progress bar with a value from 0 to 100 and a text drawn inside it.
class ProgressBar : public QWidget {
  Q_OBJECT
 public:
  explicit ProgressBar(QWidget* parent = nullptr);
  double Value() const { return value_; }
  void setValue(double value);  // fails with error 380 (invalid property value) outside 0..100
  QString Text() const { return text_; }
  void setText(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  double value_ = 0;
  QString text_ = QStringLiteral("Progress Bar");
};
