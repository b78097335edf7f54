#include "platform/linux/desktop_linux.h"

#include "platform/clipboard_files.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QUrl>

bool LinuxDesktop::putFilesOnClipboard(const QStringList& paths) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setMimeData(fileListMimeDataForDisplay(paths));
  return true;
}

bool LinuxDesktop::openUrl(const QString& url) {
  if (QDesktopServices::openUrl(QUrl(url))) return true;
  // A platform without a desktop of its own (offscreen, say) opens nothing itself: the user's
  // browser, else the desktop's opener, is started directly.
  for (const QString& command : {qEnvironmentVariable("BROWSER"), QStringLiteral("xdg-open")}) {
    QStringList arguments = QProcess::splitCommand(command);
    if (arguments.isEmpty()) continue;
    const QString program = arguments.takeFirst();
    if (QProcess::startDetached(program, arguments << url)) return true;
  }
  return false;
}

QString LinuxDesktop::programFolder() { return QCoreApplication::applicationDirPath(); }
