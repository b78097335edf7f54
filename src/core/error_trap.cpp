#include "core/error_trap.h"

#include "core/runtime_error.h"
#include "core/vendor.h"

QString errorTrapMessage(const QString& description, const QString& locationText, int line) {
  return description + QStringLiteral("\r\n") + locationText + QStringLiteral("at line ") +
         QString::number(line) + QStringLiteral("\r\r") +
         QStringLiteral("Please email screenshot of this message to ") + vendor::kSupportEmail;
}

ErrorTrap::ErrorTrap(Prompts& prompts, const QString& location)
    : ErrorTrap(prompts, QStringLiteral("in Typorama2021/08/31.") + location + QLatin1Char(' '), 0) {}

ErrorTrap::ErrorTrap(Prompts& prompts, const QString& locationText, int)
    : prompts_(prompts), locationText_(locationText) {}

ErrorTrap ErrorTrap::withLocationText(Prompts& prompts, const QString& locationText) {
  return ErrorTrap(prompts, locationText, 0);
}

bool ErrorTrap::operator()(int line, Statement statement) {
  int number = 0;
  QString description;
  try {
    statement();
    return true;
  } catch (const RuntimeError& e) {
    number = e.number;
    description = e.description;
  } catch (const std::bad_alloc&) {
    description = QStringLiteral("Out of memory");
  } catch (const std::exception& e) {
    description = QString::fromLocal8Bit(e.what());
  }
  if (reporter_) {
    reporter_(number, description, line);
    return false;
  }
  prompts_.messageBox(errorTrapMessage(description, locationText_, line),
                      QStringLiteral("Application Error"), MsgButtons::Ok, MsgIcon::Exclamation);
  return false;
}
