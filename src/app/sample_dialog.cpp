#include "app/sample_dialog.h"

#include "core/services.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("Sample Text");
const int kStandardSize = int(kMinSamplePoints) - 1;  // the spin box's lowest value
}  // namespace

SampleDialog::SampleDialog(Prompts& prompts, QWidget* parent) : QDialog(parent), prompts_(prompts) {
  setWindowTitle(kTitle);
  text = new QLineEdit(this);
  text->setAccessibleName(QStringLiteral("Sample text"));
  text->setMinimumWidth(360);
  size = new QSpinBox(this);
  size->setRange(kStandardSize, int(kMaxSamplePoints));
  size->setSpecialValueText(QStringLiteral("Standard"));
  size->setSuffix(QStringLiteral(" points"));
  size->setAccessibleName(QStringLiteral("Sample size"));
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Sample &text:"), text);
  form->addRow(QStringLiteral("Sample &size:"), size);
  auto* note = new QLabel(QStringLiteral("Up to %1 characters. Standard: 15 points in the main window, 30 in the "
                                         "full-window list; a size set here is doubled there.")
                              .arg(kMaxSampleCharacters),
                          this);
  note->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  standard = buttons->addButton(QStringLiteral("Use \"%1\", Standard Size").arg(kSampleText),
                                QDialogButtonBox::ResetRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &SampleDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(standard, &QPushButton::clicked, this, [this] {
    SampleSettings back = sample_;
    back.text = kSampleText;
    back.points = 0;
    setSample(back);
    accept();
  });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(note);
  layout->addWidget(buttons);
}

void SampleDialog::setSample(const SampleSettings& sample) {
  sample_ = sample;
  text->setText(sample.text);
  size->setValue(sample.points > 0 ? int(sample.points) : kStandardSize);
}

SampleSettings SampleDialog::sample() const {
  SampleSettings sample = sample_;
  sample.text = text->text();
  sample.points = size->value() == kStandardSize ? 0 : size->value();
  return sample;
}

void SampleDialog::accept() {
  const QString problem = sampleTextProblem(text->text());
  if (!problem.isEmpty()) {
    prompts_.messageBox(problem, kTitle, MsgButtons::Ok, MsgIcon::Exclamation);
    text->setFocus();
    return;
  }
  QDialog::accept();
}
