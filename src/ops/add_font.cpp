// Add Font: copies a chosen font file into the fonts folder and installs it.
#include "catalogue/catalogue_commands.h"
#include "controls/push_button.h"
#include "core/app_title.h"
#include "ops/font_operations.h"
#include "ops/ops_commands.h"

void ops::addFont(MainView& view) {
  AppServices& services = view.services();
  CommonDialog& dialog = view.commonDialog();
  ErrorTrap trap(services.prompts, QStringLiteral("Form1.PushButton3_Click"));
  // Outcome boxes give no caption of their own: they show the application title.
  const auto showOutcome = [&](const QString& text) {
    services.prompts.messageBox(text, appTitle(), MsgButtons::Ok, MsgIcon::None);
  };
  FontInstall install;
  trap(100, [&] { dialog.FileName = QString(); });
  trap(102, [&] { dialog.setDialogTitle(QStringLiteral("Select Font To Add")); });
  trap(104, [&] {
    // With every format the catalogue lists, the dialog offers them all.
    dialog.Filter = view.fontFormats() == FontFormats::All
                        ? QStringLiteral("Font Files (*.ttf *.otf *.ttc *.otc)|*.ttf;*.otf;*.ttc;*.otc")
                        : QStringLiteral("Font Files (*.ttf)|*.ttf");
  });
  // One file at a time: an export leaves multiple selection on, and several names in one
  // string are no path.
  trap(106, [&] { dialog.Flags &= ~ofn::AllowMultiSelect; });
  trap(108, [&] { dialog.ShowOpen(); });
  if (dialog.FileName.isEmpty()) return;  // 110: cancelled
  // 112: a copy that failed has been reported; installing an older file of the same name or
  // saying "Done." would hide that, so the command ends here. The same steps register the copy
  // (114), so a file that is no font or that the font system refuses is not installed.
  const FontFormats formats = view.fontFormats();
  if (!trap(112, [&] { install = installFontFile(services.fs, services.fonts, dialog.FileName, formats); })) return;
  if (!install.installed()) {  // 116
    trap(116, [&] { showOutcome(QStringLiteral("Adding font failed.")); });
    return;
  }
  trap(118, [&] { showOutcome(QStringLiteral("Done.")); });
  trap(120, [&] { view.button(1).setValue(1); });
  trap(122, [&] { catalogue::filter(view); });
}
