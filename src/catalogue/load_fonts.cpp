// The catalogue fill of the main window and the Filter command.
#include "app/form1.h"
#include "app/form3.h"
#include "catalogue/catalogue_fill.h"
#include "catalogue/preview_pins.h"
#include "controls/flex_grid.h"
#include "controls/progress_bar.h"
#include "controls/push_button.h"

#include <QLabel>
#include <QLineEdit>

void Form1::LoadFonts() {
  ErrorTrap trap(services_.prompts, QStringLiteral("Form1.LoadFonts"));
  QString filter;
  trap(100, [&] {
    if (StartupLoading) {
      form3_ = std::make_unique<Form3>(*this);
      form3_->Form_Load();
      // Until the sixth file of a folder writes its count, the window says what is going on.
      form3_->Label1->setText(QStringLiteral("Loading fonts... please wait"));
      form3_->showPainted(services_.yielder);
    }
  });
  trap(102, [&] { filter = Text1->text(); });

  const PleaseWait pleaseWait = [&](int i, int n, bool filtered) {
    if (!StartupLoading || !form3_) return;
    form3_->Label1->setText(filtered ? QStringLiteral("Loading fonts.. %1 of %2 please wait...").arg(i).arg(n)
                                     : QStringLiteral("Loading fonts: %1 of %2... please wait").arg(i).arg(n));
    form3_->repaint();
  };
  collectCatalogue(services_, trap, List1, filter, facts_, previewPins(), pleaseWait);
  fillCatalogueGrid(services_, trap, *MSFlexGrid1, List1, *ProgressBar1, facts_);

  trap(140, [&] {
    if (MSFlexGrid1->Rows() == 0) showNoFontsFound(services_.prompts);
  });
  trap(142, [&] { setMousePointer(pointer::Default); });
  trap(144, [&] {
    if (StartupLoading) form3_.reset();
  });
  trap(146, [&] {
    lblFontsInstalled->setText(QStringLiteral("Total Number Of Fonts Installed: ") +
                               QString::number(MSFlexGrid1->Rows()));
    setMousePointer(pointer::Default);
  });
  trap(148, [&] {
    ProgressBar1->setValue(0);
    ProgressBar1->setText(QStringLiteral("Progress Bar"));
  });
}

void Form1::PushButton1_Click() {
  ErrorTrap trap(services_.prompts, QStringLiteral("Form1.PushButton1_Click"));
  if (Busy) return;
  Busy = true;
  trap(100, [&] {
    MSFlexGrid1->setColWidth(0, 650);
    MSFlexGrid1->setColWidth(1, 4300);
    MSFlexGrid1->setColWidth(2, 4300);
  });
  trap(102, [&] { MSFlexGrid1->setRowHeightMin(500); });
  trap(104, [&] { MSFlexGrid1->setFontSize(QStringLiteral("15").toDouble()); });
  trap(106, [&] { LoadFonts(); });
  trap(108, [&] { StripeGridRows(*MSFlexGrid1, kEvenRowColor, kOddRowColor); });
  Busy = false;
}
