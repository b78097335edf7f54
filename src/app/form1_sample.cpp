// The main window's sample: the words, the size and the choice of text each face can draw.
#include "app/form1.h"
#include "app/form2.h"
#include "app/sample_dialog.h"
#include "app/user_settings.h"
#include "catalogue/fill_grid.h"
#include "catalogue/sample_choices.h"
#include "controls/flex_grid.h"

void Form1::askSample() {
  auto* dialog = findChild<SampleDialog*>(QString(), Qt::FindDirectChildrenOnly);
  if (!dialog) {
    dialog = new SampleDialog(services_.prompts, this);
    connect(dialog, &QDialog::accepted, this, [this, dialog] { setSample(dialog->sample()); });
  }
  dialog->setSample(sample_);
  dialog->open();
}

void Form1::setSample(const SampleSettings& sample) {
  if (sample == sample_) return;
  sample_ = sample;
  saveSample(sample_);
  showSample(*MSFlexGrid1, 1);
  if (form2_) showSample(*form2_->MSFlexGrid1, 2);
}

void Form1::showSample(FlexGrid& grid, double scale) {
  if (grid.Rows() > 0 && grid.Cols() > 2 && grid.TextMatrix(0, 2) != sample_.text) writeSampleText(grid, sample_.text);
  grid.setSampleSize(sample_.points * scale);
  if (!sample_.ownScript) return grid.setTextChooser(nullptr);
  if (!sampleChoices_) sampleChoices_ = std::make_shared<SampleChoices>(services_.fs, services_.fonts.localeId());
  grid.setTextChooser([choices = sampleChoices_](const QString& path, uint32_t face, const QString& text) {
    return choices->choose(path, face, text);
  });
}
