#include "ops/drop_fonts.h"

#include "app/form1.h"
#include "core/runtime_error.h"
#include "controls/push_button.h"
#include "ops/font_operations.h"

void installDroppedFonts(Form1& form, const QStringList& paths) {
  if (paths.isEmpty()) return;
  AppServices& services = form.services();
  ErrorTrap trap(services.prompts, QStringLiteral("Form1.Form_OLEDragDrop"));
  QStringList failures;
  for (const QString& path : paths) {
    FontInstall install;
    try {
      install = installFontFile(services.fonts, path);
    } catch (const RuntimeError& e) {
      install.failure = e.description;
    }
    if (!install.installed()) failures << path + QStringLiteral(": ") + install.failure;
  }
  const qsizetype installed = paths.size() - failures.size();
  trap(100, [&] {
    QString text = QStringLiteral("Done.");
    if (!failures.isEmpty()) {
      text = QStringLiteral("Adding font failed.\r\n\r\n") + failures.join(QStringLiteral("\r\n"));
      if (installed > 0)
        text += QStringLiteral("\r\n\r\n%1 of %2 fonts were installed.").arg(installed).arg(paths.size());
    }
    services.prompts.messageBox(text, Form1::appTitle(), MsgButtons::Ok, MsgIcon::None);
  });
  if (installed == 0) return;  // nothing changed: no reload, as for Add Font
  trap(102, [&] { form.PushButton1->setValue(1); });
  trap(104, [&] { form.PushButton1_Click(); });
}
