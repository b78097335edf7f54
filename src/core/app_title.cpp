#include "core/app_title.h"

namespace {
// Kept apart from Qt's application display name, which Qt would append to every window title.
QString& applicationTitle() {
  static QString title = QStringLiteral("Typorama");
  return title;
}
}  // namespace

QString appTitle() { return applicationTitle(); }
void setAppTitle(const QString& title) { applicationTitle() = title; }
