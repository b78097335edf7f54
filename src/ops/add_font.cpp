// Add Font: copies a chosen font file into the fonts folder and installs it.
#include "app/form1.h"
#include "controls/push_button.h"
#include "fsys/mod_fonts.h"
#include "ops/font_operations.h"

void Form1::PushButton3_Click() {
  ErrorTrap trap(services_.prompts, QStringLiteral("Form1.PushButton3_Click"));
  // Outcome boxes give no caption of their own: they show the application title.
  const auto showOutcome = [this](const QString& text) {
    services_.prompts.messageBox(text, appTitle(), MsgButtons::Ok, MsgIcon::None);
  };
  QString target;
  bool added = false;
  trap(100, [&] { CommonDialog1.FileName = QString(); });
  trap(102, [&] { CommonDialog1.DialogTitle = QStringLiteral("Select Font To Add"); });
  trap(104, [&] { CommonDialog1.Filter = QStringLiteral("Font Files (*.ttf)|*.ttf"); });
  // One file at a time: an export leaves multiple selection on, and several names in one
  // string are no path.
  trap(106, [&] { CommonDialog1.Flags &= ~ofn::AllowMultiSelect; });
  trap(108, [&] { CommonDialog1.ShowOpen(); });
  if (CommonDialog1.FileName.isEmpty()) return;  // 110: cancelled
  // 112: a copy that failed has been reported; installing an older file of the same name or
  // saying "Done." would hide that, so the command ends here.
  if (!trap(112, [&] { target = copyFontToFontsFolder(services_.fonts, CommonDialog1.FileName); }))
    return;
  // 114: an empty target means the file was no font and nothing was copied.
  trap(114, [&] { added = !target.isEmpty() && RegisterFontResource(services_.fonts, target); });
  if (!added) {  // 116
    trap(116, [&] { showOutcome(QStringLiteral("Adding font failed.")); });
    return;
  }
  trap(118, [&] { showOutcome(QStringLiteral("Done.")); });
  trap(120, [&] { PushButton1->setValue(1); });
  trap(122, [&] { PushButton1_Click(); });
}
