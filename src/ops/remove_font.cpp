// Remove Selected Font: takes the selected row's font out of the font table and deletes its file.
#include "catalogue/catalogue_commands.h"
#include "controls/flex_grid.h"
#include "controls/push_button.h"
#include "core/app_title.h"
#include "fsys/mod_fonts.h"
#include "ops/font_operations.h"
#include "ops/ops_commands.h"

void ops::removeSelectedFont(MainView& view) {
  AppServices& services = view.services();
  ErrorTrap trap(services.prompts, QStringLiteral("Form1.PushButton4_Click"));
  // Outcome boxes give no caption of their own: they show the application title.
  const auto showOutcome = [&](const QString& text) {
    services.prompts.messageBox(text, appTitle(), MsgButtons::Ok, MsgIcon::None);
  };
  bool empty = false;
  QString name;
  MsgResult answer = MsgResult::No;
  QString path;
  int faces = 1;
  bool unregistered = false;
  bool deleted = false;
  trap(100, [&] { empty = view.grid().Rows() == 0; });
  if (empty) return;
  // 102: the row the main grid shows selected; without its entry there is nothing to remove.
  // The file comes from the list, never from the entry text, which a font's name can forge.
  if (!trap(102, [&] {
        const int row = view.grid().RowSel();
        name = view.list().ItemName(row);
        path = view.list().ItemPath(row);
        faces = view.catalogueFacts().value({path, view.list().ItemFace(row)}).faces;
      }))
    return;
  trap(104, [&] {
    // A collection's faces live and go in one file: the question says so.
    const QString together = faces > 1 ? QStringLiteral("\r\n\r\nIts file holds %1 fonts, and all %1 will be removed.")
                                             .arg(faces)
                                       : QString();
    answer = services.prompts.messageBox(
        QStringLiteral("Are you sure you want to remove ") + name + QStringLiteral("?") + together,
        QStringLiteral("Remove Font"), MsgButtons::YesNo, MsgIcon::None);
  });
  if (answer != MsgResult::Yes) return;
  // 106: the font table knows the file by its bare name, wherever below the fonts folder it lies.
  trap(106, [&] {
    unregistered = UnregisterFontResource(services.fonts, fileNameOf(path));
  });
  if (!unregistered) {  // 108: the file stays on disk
    trap(108, [&] { showOutcome(QStringLiteral("Removing font failed.")); });
    return;
  }
  trap(110, [&] { deleted = deleteFontFile(services.fs, services.yielder, path); });
  // 112: a file that could not be deleted is still installed; "Done." would be untrue.
  trap(112, [&] {
    showOutcome(deleted ? QStringLiteral("Done.") : QStringLiteral("Removing font failed."));
  });
  trap(114, [&] { view.button(1).setValue(1); });
  trap(116, [&] { catalogue::filter(view); });
}
