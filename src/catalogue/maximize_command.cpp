// "Maximize This Window": the catalogue in the full-window list.
#include "app/form1.h"
#include "app/runtime_error.h"
#include "catalogue/catalogue_fill.h"
#include "catalogue/form2.h"
#include "catalogue/preview_pins.h"
#include "controls/flex_grid.h"
#include "controls/progress_bar.h"

#include <QLineEdit>
#include <QPointer>

void Form1::PushButton2_Click() {
  ErrorTrap trap(services_.prompts, QStringLiteral("Form1.PushButton2_Click"));
  if (Busy) return;
  Busy = true;
  const QString filter = Text1->text();
  // Guarded: the folder scan lets other clicks run, and closing the main window then takes
  // the list window away.
  QPointer<Form2> list;
  const auto target = [&]() -> Form2& {
    if (!list) throw RuntimeError(91, QStringLiteral("Object variable or With block variable not set"));
    return *list;
  };

  trap(100, [&] { setMousePointer(pointer::Hourglass); });
  trap(102, [&] {
    list = form2();
    list->ensureLoaded();
    FlexGrid& grid = *list->MSFlexGrid1;
    grid.setColWidth(0, 700);
    grid.setColWidth(1, 7250);
    grid.setColWidth(2, 7250);
    grid.setRowHeightMin(500);
    grid.setFontSize(QStringLiteral("30").toDouble());
  });
  // The list window fills from a list of its own, so the main window's list keeps matching
  // the main grid. No please-wait window here.
  {
    ListBox entries;
    auto pins = std::make_unique<PreviewPins>(services_.fonts);
    FactsByPath facts;
    collectCatalogue(services_, trap, entries, filter, facts, *pins, {});
    if (list && !unloaded_) {
      list->takeCatalogue(std::move(entries), std::move(pins));
      fillCatalogueGrid(services_, trap, *list->MSFlexGrid1, list->List1, *ProgressBar1, facts);
    }
  }
  if (unloaded_) {
    // The main window closed during the scan: nothing is left to show.
    setMousePointer(pointer::Default);
    Busy = false;
    return;
  }
  trap(140, [&] {
    if (target().MSFlexGrid1->Rows() == 0) showNoFontsFound(services_.prompts);
  });
  trap(142, [&] { setMousePointer(pointer::Default); });
  trap(144, [&] { StripeGridRows(*target().MSFlexGrid1, kEvenRowColor, kOddRowColor); });
  trap(146, [&] {
    setMousePointer(pointer::Default);
    ProgressBar1->setValue(0);
    ProgressBar1->setText(QStringLiteral("Progress Bar"));
  });
  trap(148, [&] { target().show(); });
  trap(150, [&] { hide(); });
  Busy = false;
}
