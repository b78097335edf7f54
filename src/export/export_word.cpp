// Export Fonts To Word: one paragraph per catalogue entry, each line set in its own font,
// then one empty paragraph. While it runs the button reads "Cancel Export" and a click on
// it stops the export at the next font; the paragraphs typed so far are saved.
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

const QString kWordCaption = QStringLiteral("Export Fonts To Word");

void exportToWord(Form1& form, ExportTrap& trap) {
  AppServices& services = form.services();
  QString path;
  std::unique_ptr<office::WordApplication> word;
  office::Document* document = nullptr;
  bool failed = false;  // the word processor could not be started or could not write
  bool saved = false;
  int n = 0;

  trap(104, [&] { services.yielder.yield(); });
  if (form.Busy) return;  // another long command runs
  path = exporting::chooseExportFile(form, trap, QStringLiteral("Fonts.doc"), QStringLiteral("Word files (*.doc)|*.doc|"));
  if (path.isEmpty()) return;
  trap(120, [&] { form.PushButton6->setCaption(exporting::kCancelCaption); });
  trap(122, [&] { services.yielder.yield(); });
  trap(124, [&] { form.setMousePointer(pointer::Hourglass); });

  failed = !trap(126, [&] {
    if (!services.office) throw errors::cannotCreateObject();
    word = services.office->createWord();
    if (!word) throw errors::cannotCreateObject();
  });
  if (word) {
    trap(128, [&] { word->setVisible(false); });
    failed = !trap(130, [&] { document = &word->documentsAdd(); });
  }

  if (!failed) {
    trap(132, [&] { n = form.List1.ListCount(); });
    for (int i = 0; i < n; ++i) {
      trap.perFont(134, [&] { services.yielder.yield(); });
      if (form.CancelRequested) break;
      const int m = form.List1.ListCount();
      trap.perFont(138, [&] { form.ProgressBar1->setValue(progressPercent(i, m)); });
      trap.perFont(140, [&] { form.ProgressBar1->setText(exporting::progressText(i + 1, m)); });
      QString name;
      office::TextFont font;
      trap.perFont(142, [&] {
        name = form.List1.ItemName(i);
        font = exporting::rowFont(services.fonts, form.catalogueFacts(), name, form.List1.ItemPath(i));
      });
      // Each step on its own: a font name the word processor refuses leaves the line in the
      // font it was typed in, and the next paragraph still starts.
      trap.perFont(144, [&] { word->selection().TypeText(exporting::specimenLine(i + 1, name)); });
      trap.perFont(146, [&] { word->selection().HomeKey(office::Selection::kLine, office::Selection::kExtend); });
      trap.perFont(148, [&] { exporting::setSelectionFont(*word, font); });
      trap.perFont(150, [&] { word->selection().MoveRight(office::Selection::kCharacter, 1); });
      trap.perFont(152, [&] { word->selection().TypeParagraph(); });
    }
  }

  if (!failed) saved = trap(154, [&] { document->SaveAs(path); });
  if (word) trap(156, [&] { word->quit(); });
  trap(158, [&] {
    form.setMousePointer(pointer::Default);
    form.ProgressBar1->setValue(0);
    form.ProgressBar1->setText(QStringLiteral("Progress Bar"));
  });
  if (!form.CancelRequested && saved)
    trap(162, [&] { services.prompts.messageBox(QStringLiteral("Done."), Form1::appTitle(), MsgButtons::Ok, MsgIcon::None); });
  form.Busy = false;
}

}  // namespace

void Form1::PushButton6_Click() {
  ExportTrap trap(services_.prompts, QStringLiteral("Form1.PushButton6_Click"));
  bool start = false;
  trap(100, [&] { start = PushButton6->Caption() == kWordCaption; });
  if (start) {
    exportToWord(*this, trap);
  } else {
    // A click on "Cancel Export": the running export sees the flag after its next yield.
    trap(102, [&] { CancelRequested = true; });
  }
  trap(166, [&] { setMousePointer(pointer::Default); });
  trap(168, [&] { ProgressBar1->setValue(0); });
  trap(170, [&] { ProgressBar1->setText(QStringLiteral("Progress Bar")); });
  trap(172, [&] { setMousePointer(pointer::Default); });
  trap(174, [&] { PushButton6->setCaption(kWordCaption); });
}
