#include "app/main_module.h"

#include "app/vendor.h"
#include "platform/path_codec.h"

#include <QFile>
#include <QLabel>
#include <QWidget>

bool FileExists(FileSystem& fs, const QString& path) {
  return !path.isEmpty() && fs.lastModified(path).has_value();
}

void DeleteFileQuietly(FileSystem& fs, Yielder& yielder, const QString& path) {
  yielder.yield();
  if (!path.isEmpty()) fs.removeFile(path);
}

std::optional<bool> IsFolder(FileSystem& fs, const QString& path) {
  const auto attributes = fs.attributes(path);
  if (!attributes) return std::nullopt;
  return (*attributes & fileattr::Directory) != 0;
}

void RandomHomePageVisit(RandomSource& random, Desktop& desktop) {
  random.seedFromTime();
  const int r = static_cast<int>(random.next() * 100) + 1;
  if (r == 7) desktop.openUrl(vendor::kHomePage);
}

void ApplyFormColors(QWidget* window) {
  window->setBackgroundRole(QPalette::Button);
  window->setAutoFillBackground(true);
  for (QLabel* label : window->findChildren<QLabel*>()) {
    label->setBackgroundRole(QPalette::Button);
    label->setAutoFillBackground(true);
  }
}

void ApplySkin(QWidget* mainWindow, FileSystem& fs, Desktop& desktop) {
  const QString skin = desktop.programFolder() + QStringLiteral("/x/o.cjs");
  // Like the platform's search for normal files: a hidden or missing skin is not found.
  const auto attributes = fs.attributes(skin);
  if (!attributes || (*attributes & (fileattr::Hidden | fileattr::System | fileattr::Directory)))
    return;
  ApplyFormColors(mainWindow);
  QFile file(QString::fromLocal8Bit(pathToBytes(skin)));
  if (file.open(QIODevice::ReadOnly)) mainWindow->setStyleSheet(QString::fromUtf8(file.readAll()));
}
