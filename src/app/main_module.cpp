#include "app/main_module.h"

#include "controls/readable_color.h"
#include "fsys/file_queries.h"

#include "core/runtime_error.h"
#include "core/vendor.h"
#include "platform/path_codec.h"

#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QWidget>
#include <QtEndian>

void RandomHomePageVisit(RandomSource& random, Desktop& desktop) {
  random.seedFromTime();
  const int r = static_cast<int>(random.next() * 100) + 1;
  // A browser that cannot be started is the caller's to report.
  if (r == 7 && !desktop.openUrl(vendor::kHomePage)) throw errors::fileNotFound();
}

void setBackColor(QWidget* widget, const QColor& color) {
  QPalette pal = widget->palette();
  pal.setColor(widget->backgroundRole(), color);
  // The text keeps its theme's colour only where that still reads on the fixed background.
  pal.setColor(widget->foregroundRole(), readableOn(color, pal.color(widget->foregroundRole())));
  widget->setPalette(pal);
  widget->setAutoFillBackground(true);
}

void ApplyFormColors(QWidget* window) {
  // Button-face backgrounds take the button text colour, which the theme pairs with them.
  window->setBackgroundRole(QPalette::Button);
  window->setForegroundRole(QPalette::ButtonText);
  window->setAutoFillBackground(true);
  for (QLabel* label : window->findChildren<QLabel*>()) {
    label->setBackgroundRole(QPalette::Button);
    label->setForegroundRole(QPalette::ButtonText);
    label->setAutoFillBackground(true);
  }
}

void ApplySkin(QWidget* mainWindow, FileSystem& fs, Desktop& desktop) {
  const QString skin = desktop.programFolder() + QStringLiteral("/x/o.cjs");
  // Like the platform's search for normal files: a hidden or missing skin is not found.
  const auto attributes = fs.attributes(skin);
  if (!attributes || (*attributes & (fileattr::Hidden | fileattr::System | fileattr::Directory)))
    return;
  // Read whole before anything changes: a skin that cannot be read leaves the window as it was.
  QFile file(QString::fromLocal8Bit(pathToBytes(skin)));
  if (!file.open(QIODevice::ReadOnly)) throw errors::pathFileAccess();
  const QByteArray sheet = file.readAll();
  if (file.error() != QFileDevice::NoError) throw errors::pathFileAccess();
  ApplyFormColors(mainWindow);
  mainWindow->setStyleSheet(QString::fromUtf8(sheet));
}

QPoint cursorHotSpot(const QByteArray& file) {
  // A cursor file starts like an icon file (reserved 0, type 2, image count) and keeps each
  // image's hot spot where an icon keeps its planes and bit count.
  if (file.size() < 6 + 16) return {-1, -1};
  const auto* bytes = reinterpret_cast<const uchar*>(file.constData());
  if (qFromLittleEndian<quint16>(bytes) != 0 || qFromLittleEndian<quint16>(bytes + 2) != 2 ||
      qFromLittleEndian<quint16>(bytes + 4) == 0)
    return {-1, -1};
  return {qFromLittleEndian<quint16>(bytes + 10), qFromLittleEndian<quint16>(bytes + 12)};
}

std::optional<QCursor> LoadHandCursor(FileSystem& fs, Desktop& desktop) {
  const QString path = desktop.programFolder() + QStringLiteral("/HAND-M.CUR");
  if (!FileExists(fs, path)) return std::nullopt;
  QFile file(QString::fromLocal8Bit(pathToBytes(path)));
  // A cursor file is a few kilobytes; anything far larger is no cursor.
  const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.read(1 << 20) : QByteArray();
  QPixmap picture;
  if (bytes.isEmpty() || !picture.loadFromData(bytes)) throw errors::invalidPicture();
  QPoint hot = cursorHotSpot(bytes);
  if (hot.x() >= picture.width() || hot.y() >= picture.height()) hot = {-1, -1};
  return QCursor(picture, hot.x(), hot.y());
}
