// Add Font: copies a chosen font file into the fonts folder and installs it.
#include "app/form1.h"
#include "controls/push_button.h"
#include "ops/font_operations.h"

void Form1::PushButton3_Click() {
  ErrorTrap trap(services_.prompts, QStringLiteral("Form1.PushButton3_Click"));
  // Outcome boxes give no caption of their own: they show the application title.
  const auto showOutcome = [this](const QString& text) {
    services_.prompts.messageBox(text, appTitle(), MsgButtons::Ok, MsgIcon::None);
  };
  FontInstall install;
  trap(100, [&] { CommonDialog1.FileName = QString(); });
  trap(102, [&] { CommonDialog1.DialogTitle = QStringLiteral("Select Font To Add"); });
  trap(104, [&] { CommonDialog1.Filter = QStringLiteral("Font Files (*.ttf)|*.ttf"); });
  // One file at a time: an export leaves multiple selection on, and several names in one
  // string are no path.
  trap(106, [&] { CommonDialog1.Flags &= ~ofn::AllowMultiSelect; });
  trap(108, [&] { CommonDialog1.ShowOpen(); });
  if (CommonDialog1.FileName.isEmpty()) return;  // 110: cancelled
  // 112: a copy that failed has been reported; installing an older file of the same name or
  // saying "Done." would hide that, so the command ends here. The same steps register the copy
  // (114), so a file that is no font or that the font system refuses is not installed.
  if (!trap(112, [&] { install = installFontFile(services_.fs, services_.fonts, CommonDialog1.FileName); })) return;
  if (!install.installed()) {  // 116
    trap(116, [&] { showOutcome(QStringLiteral("Adding font failed.")); });
    return;
  }
  trap(118, [&] { showOutcome(QStringLiteral("Done.")); });
  trap(120, [&] { PushButton1->setValue(1); });
  trap(122, [&] { PushButton1_Click(); });
}
