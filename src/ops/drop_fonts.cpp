// Font files dropped on the main window.
#include "catalogue/catalogue_commands.h"
#include "controls/push_button.h"
#include "core/app_title.h"
#include "ops/font_operations.h"
#include "ops/ops_commands.h"

void ops::installDroppedFonts(MainView& view, const QStringList& paths) {
  if (paths.isEmpty()) return;
  AppServices& services = view.services();
  ErrorTrap trap(services.prompts, QStringLiteral("Form1.Form_OLEDragDrop"));
  QStringList failures;
  for (const QString& path : paths) {
    const FontInstall install = tryInstallFontFile(services.fs, services.fonts, path, view.fontFormats());
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
    services.prompts.messageBox(text, appTitle(), MsgButtons::Ok, MsgIcon::None);
  });
  if (installed == 0) return;  // nothing changed: no reload, as for Add Font
  trap(102, [&] { view.button(1).setValue(1); });
  trap(104, [&] { catalogue::filter(view); });
}
