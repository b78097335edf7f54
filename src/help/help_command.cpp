#include "help/help_command.h"

#include "core/app_title.h"
#include "core/error_trap.h"
#include "core/vendor.h"

void help::showHelp(Prompts& prompts) {
  ErrorTrap trap(prompts, QStringLiteral("Form1.PushButton5_Click"));
  trap(100, [&] {
    const QString text = QStringLiteral("Questions? Please contact Team Brindlewick at ") + vendor::kContactPage;
    prompts.messageBox(text, appTitle(), MsgButtons::Ok, MsgIcon::None);
  });
}
