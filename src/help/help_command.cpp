#include "help/help_command.h"

#include "app/form1.h"
#include "core/vendor.h"

QString helpMessageText() {
  return QStringLiteral("Questions? Please contact Team Brindlewick at ") + vendor::kContactPage;
}

void Form1::PushButton5_Click() {
  ErrorTrap trap(services().prompts, QStringLiteral("Form1.PushButton5_Click"));
  trap(100, [&] { services().prompts.messageBox(helpMessageText(), appTitle(), MsgButtons::Ok, MsgIcon::None); });
}
