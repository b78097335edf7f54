#include "platform/linux/desktop_linux.h"

#include "platform/clipboard_files.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

bool LinuxDesktop::putFilesOnClipboard(const QStringList& paths) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setMimeData(fileListMimeDataForDisplay(paths));
  return true;
}

bool LinuxDesktop::openUrl(const QString& url) { return QDesktopServices::openUrl(QUrl(url)); }

QString LinuxDesktop::programFolder() { return QCoreApplication::applicationDirPath(); }
