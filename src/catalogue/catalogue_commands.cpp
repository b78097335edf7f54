#include "catalogue/catalogue_commands.h"

#include "catalogue/collect_catalogue.h"
#include "catalogue/fill_grid.h"
#include "controls/flex_grid.h"
#include "controls/progress_bar.h"
#include "core/runtime_error.h"
#include "fontfile/preview_pins.h"

std::unique_ptr<EarlyCatalogue> catalogue::collectEarly(AppServices& services, FontFormats formats,
                                                        std::chrono::milliseconds limit) {
  // Nothing is shown before the window: a box the collection would show only marks it failed.
  struct Unshown final : Prompts {
    int asked = 0;
    MsgResult messageBox(const QString&, const QString&, MsgButtons, MsgIcon) override {
      ++asked;
      return MsgResult::Ok;
    }
    QString showOpen(const FileDialogRequest&) override { return ++asked, QString(); }
    QString showSave(const FileDialogRequest&) override { return ++asked, QString(); }
  } prompts;
  // Nor is any progress: a collection that takes longer than `limit` (a cold disk) is given up,
  // and the window's fill collects again under its please-wait window.
  struct GivenUp {};
  struct Timed final : Yielder {
    std::chrono::steady_clock::time_point deadline;
    void yield() override {
      if (std::chrono::steady_clock::now() > deadline) throw GivenUp{};  // no error: passes every trap
    }
  } timed;
  timed.deadline = std::chrono::steady_clock::now() + limit;
  AppServices early{prompts,         timed,          services.random, services.fs, services.fonts, services.desktop,
                    services.office, services.catalogueCache};
  auto result = std::make_unique<EarlyCatalogue>();
  result->formats = formats;
  result->pins = std::make_unique<PreviewPins>(services.fonts);
  ErrorTrap trap(prompts, QStringLiteral("Form1.LoadFonts"));
  bool failed = false;
  // Files that do not open are passed over without a box (line 0) in the window too.
  trap.setReporter([&](int, const QString&, int line) { failed = failed || line != 0; });
  try {
    collectCatalogue(early, trap, result->list, QString(), formats, result->facts, *result->pins,
                     [&](int, int, bool) { timed.yield(); });
  } catch (const GivenUp&) {
    return nullptr;
  }
  if (failed || prompts.asked > 0) return nullptr;
  return result;
}

void catalogue::loadFonts(MainView& view) {
  AppServices& services = view.services();
  CommandFlags& flags = view.flags();
  FlexGrid& grid = view.grid();
  ProgressBar& bar = view.progressBar();
  ErrorTrap trap(services.prompts, QStringLiteral("Form1.LoadFonts"));
  QString filter;
  trap(100, [&] {
    // Until the sixth file of a folder writes its count, the window says what is going on.
    if (flags.StartupLoading) view.showPleaseWait(QStringLiteral("Loading fonts... please wait"));
  });
  trap(102, [&] { filter = view.filterText(); });

  const PleaseWait pleaseWait = [&](int i, int n, bool filtered) {
    if (!flags.StartupLoading) return;
    view.setPleaseWaitText(filtered ? QStringLiteral("Loading fonts.. %1 of %2 please wait...").arg(i).arg(n)
                                    : QStringLiteral("Loading fonts: %1 of %2... please wait").arg(i).arg(n));
  };
  std::unique_ptr<EarlyCatalogue> early = view.takeEarlyCatalogue();
  if (early && filter.isEmpty() && view.propertySearch().isEmpty() && early->formats == view.fontFormats()) {
    view.list() = std::move(early->list);
    view.catalogueFacts() = std::move(early->facts);
    view.previewPins().takeFrom(*early->pins);
  } else {
    collectCatalogue(services, trap, view.list(), filter, view.fontFormats(), view.catalogueFacts(),
                     view.previewPins(), pleaseWait, true, CatalogueFor::Window, nullptr, view.propertySearch());
  }
  fillCatalogueGrid(services, trap, grid, view.list(), bar, view.catalogueFacts(), view.sample().text);

  trap(140, [&] {
    if (grid.Rows() == 0) showNoFontsFound(services.prompts);
  });
  trap(142, [&] { view.setMousePointer(pointer::Default); });
  trap(144, [&] {
    if (flags.StartupLoading) view.closePleaseWait();
  });
  trap(146, [&] {
    view.setCountText(QStringLiteral("Total Number Of Fonts Installed: ") + QString::number(grid.Rows()));
    view.setMousePointer(pointer::Default);
  });
  trap(148, [&] {
    bar.setValue(0);
    bar.setText(QStringLiteral("Progress Bar"));
  });
}

void catalogue::filter(MainView& view) {
  ErrorTrap trap(view.services().prompts, QStringLiteral("Form1.PushButton1_Click"));
  CommandFlags& flags = view.flags();
  FlexGrid& grid = view.grid();
  if (flags.Busy) return;
  flags.Busy = true;
  trap(100, [&] {
    grid.setColWidth(0, 650);
    grid.setColWidth(1, 4300);
    grid.setColWidth(2, 4300);
  });
  trap(102, [&] { grid.setRowHeightMin(500); });
  trap(104, [&] { grid.setFontSize(QStringLiteral("15").toDouble()); });
  trap(106, [&] { loadFonts(view); });
  trap(108, [&] { StripeGridRows(grid, kEvenRowColor, kOddRowColor); });
  flags.Busy = false;
}

void catalogue::maximize(MainView& view) {
  AppServices& services = view.services();
  CommandFlags& flags = view.flags();
  ErrorTrap trap(services.prompts, QStringLiteral("Form1.PushButton2_Click"));
  if (flags.Busy) return;
  flags.Busy = true;
  const QString filter = view.filterText();
  // Asked for afresh after each step: the folder scan lets other clicks run, and closing the
  // main window then takes the list window away.
  const auto target = [&]() -> ListWindowView& {
    ListWindowView* list = view.currentListWindow();
    if (!list) throw errors::objectVariableNotSet();
    return *list;
  };

  trap(100, [&] { view.setMousePointer(pointer::Hourglass); });
  trap(102, [&] {
    ListWindowView* list = view.openListWindow();
    if (!list) throw errors::objectVariableNotSet();
    FlexGrid& grid = list->grid();
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
    auto pins = std::make_unique<PreviewPins>(services.fonts);
    FactsByFace facts;
    // The same faces as the main window's: its Filter text and its property search.
    collectCatalogue(services, trap, entries, filter, view.fontFormats(), facts, *pins, {}, true,
                     CatalogueFor::Window, nullptr, view.propertySearch());
    if (ListWindowView* list = view.currentListWindow()) {
      list->takeCatalogue(std::move(entries), std::move(pins));
      fillCatalogueGrid(services, trap, list->grid(), list->list(), view.progressBar(), facts, view.sample().text);
    }
  }
  if (view.closed()) {
    // The main window closed during the scan: nothing is left to show.
    view.setMousePointer(pointer::Default);
    flags.Busy = false;
    return;
  }
  trap(140, [&] {
    if (target().grid().Rows() == 0) showNoFontsFound(services.prompts);
  });
  trap(142, [&] { view.setMousePointer(pointer::Default); });
  trap(144, [&] { StripeGridRows(target().grid(), kEvenRowColor, kOddRowColor); });
  trap(146, [&] {
    view.setMousePointer(pointer::Default);
    view.progressBar().setValue(0);
    view.progressBar().setText(QStringLiteral("Progress Bar"));
  });
  trap(148, [&] { target().showWindow(); });
  trap(150, [&] { view.hideWindow(); });
  flags.Busy = false;
}
