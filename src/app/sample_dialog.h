#pragma once
// Sample Text…: the words and the size the grids and the exports show each face with, or
// "AaBbCc123" at each window's own size again in one click.
#include "core/sample_settings.h"

#include <QDialog>

class Prompts;
class QLineEdit;
class QPushButton;
class QSpinBox;

class SampleDialog : public QDialog {
  Q_OBJECT
 public:
  SampleDialog(Prompts& prompts, QWidget* parent);
  void setSample(const SampleSettings& sample);
  // The text and size set; the other settings as last set.
  SampleSettings sample() const;
  // Accepts a text that can be a sample; otherwise says what is wrong and stays open.
  void accept() override;

  QLineEdit* text;
  QSpinBox* size;  // its lowest value stands for each window's own size
  QPushButton* standard;

 private:
  Prompts& prompts_;
  SampleSettings sample_;
};
