#include "app/user_settings.h"

#include <QSettings>

namespace {
const QString kAllFormatsKey = QStringLiteral("catalogue/allFormats");

QSettings userSettings() { return QSettings(QStringLiteral("typorama"), QStringLiteral("typorama")); }
}  // namespace

FontFormats savedFontFormats() {
  return userSettings().value(kAllFormatsKey, false).toBool() ? FontFormats::All : FontFormats::TrueType;
}

void saveFontFormats(FontFormats formats) { userSettings().setValue(kAllFormatsKey, formats == FontFormats::All); }
