// Export Fonts To Excel: one spreadsheet row per catalogue entry, the whole row set in that
// font. While it runs the button reads "Cancel Export" and a click on it stops the export
// at the next font; the rows written so far are saved.
#include "core/catalogue_entry.h"
#include "app/form1.h"
#include "fsys/file_queries.h"
#include "catalogue/catalogue_fill.h"
#include "controls/progress_bar.h"
#include "controls/push_button.h"
#include "export/export_common.h"
#include "office/office_factory.h"

#include <memory>

using exporting::ExportTrap;

namespace {

const QString kExcelCaption = QStringLiteral("Export Fonts To Excel");

void exportToExcel(Form1& form, ExportTrap& trap) {
  AppServices& services = form.services();
  QString path;
  std::unique_ptr<office::ExcelApplication> excel;
  office::Workbook* book = nullptr;
  bool failed = false;  // the spreadsheet could not be started, could not write, or stopped working
  bool saved = false;
  int n = 0;

  trap(104, [&] { services.yielder.yield(); });
  if (form.Busy) return;  // another long command runs
  path = exporting::chooseExportFile(form, trap, QStringLiteral("Fonts.xls"), QStringLiteral("Excel files (*.xls)|*.xls|"));
  if (path.isEmpty()) return;
  trap(120, [&] {
    form.PushButton8->setCaption(exporting::kCancelCaption);
    form.setMousePointer(pointer::Hourglass);
  });

  failed = !trap(122, [&] {
    if (!services.office) throw errors::cannotCreateObject();
    excel = services.office->createExcel();
    if (!excel) throw errors::cannotCreateObject();
  });
  if (excel) {
    trap(124, [&] { excel->setVisible(false); });
    trap(126, [&] { excel->setDisplayAlerts(false); });
    failed = !trap(128, [&] { book = &excel->workbooksAdd(); });
  }

  if (!failed) {
    trap(130, [&] { n = form.List1.ListCount(); });
    for (int i = 0; i < n; ++i) {
      trap.perFont(132, [&] { services.yielder.yield(); });
      if (form.CancelRequested) break;
      const int m = form.List1.ListCount();
      trap.perFont(136, [&] { form.ProgressBar1->setValue(progressPercent(i, m)); });
      trap.perFont(138, [&] { form.ProgressBar1->setText(exporting::progressText(i + 1, m)); });
      QString name;
      office::TextFont font;
      trap.perFont(140, [&] {
        name = form.List1.ItemName(i);
        font = exporting::rowFont(services.fonts, form.catalogueFacts(), name, form.List1.ItemPath(i));
      });
      const int r = i + 1;
      trap.perFont(142, [&] { exporting::writeSpecimenRow(book->sheets(1), r, name); });
      // A refused font leaves the row in the default font; anything else means the
      // spreadsheet no longer works, so the export ends here and writes nothing.
      if (!trap.perFont(144, [&] { exporting::setRowFont(book->sheets(1), r, font); })) {
        failed = true;
        break;
      }
    }
  }

  if (!failed) saved = trap(146, [&] { book->SaveAs(path, office::Workbook::kWorkbookNormal); });
  if (excel) {
    trap(148, [&] { excel->setDisplayAlerts(true); });
    trap(150, [&] { excel->quit(); });
  }
  trap(152, [&] {
    form.setMousePointer(pointer::Default);
    form.ProgressBar1->setValue(0);
    form.ProgressBar1->setText(QStringLiteral("Progress Bar"));
  });
  if (!form.CancelRequested && saved)
    trap(156, [&] { services.prompts.messageBox(QStringLiteral("Done."), Form1::appTitle(), MsgButtons::Ok, MsgIcon::None); });
  trap(158, [&] { form.setMousePointer(pointer::Default); });
  form.Busy = false;
}

}  // namespace

void Form1::PushButton8_Click() {
  ExportTrap trap(services_.prompts, QStringLiteral("Form1.PushButton8_Click"));
  bool start = false;
  trap(100, [&] { start = PushButton8->Caption() == kExcelCaption; });
  if (start) {
    exportToExcel(*this, trap);
  } else {
    // A click on "Cancel Export": the running export sees the flag after its next yield.
    trap(102, [&] { CancelRequested = true; });
  }
  trap(160, [&] { setMousePointer(pointer::Default); });
  trap(162, [&] { ProgressBar1->setValue(0); });
  trap(164, [&] { ProgressBar1->setText(QStringLiteral("Progress Bar")); });
  trap(166, [&] { setMousePointer(pointer::Default); });
  trap(168, [&] { PushButton8->setCaption(kExcelCaption); });
}
