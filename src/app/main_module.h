#pragma once
// Small routines that the windows and commands share.
#include "core/services.h"
#include "platform/desktop.h"
#include "platform/file_system.h"

#include <QCursor>
#include <QString>
#include <optional>

class QColor;
class QWidget;

// One start in a hundred opens the vendor's home page; fails with error 53 when the browser
// cannot be started.
void RandomHomePageVisit(RandomSource& random, Desktop& desktop);
// Button-face background for the window and its labels.
void ApplyFormColors(QWidget* window);
// A control's background colour (BackColor), whichever palette role it paints its background with.
void setBackColor(QWidget* widget, const QColor& color);
// When "x/o.cjs" is in the program's folder (and not hidden), colours the main window like a
// dialog and applies the file as its style sheet. A skin that cannot be read fails with
// error 75 before anything changes.
void ApplySkin(QWidget* mainWindow, FileSystem& fs, Desktop& desktop);

// The hot spot that a cursor (.cur) file gives its first image; (-1, -1), the image's centre,
// for anything else.
QPoint cursorHotSpot(const QByteArray& file);
// "HAND-M.CUR" of the program's folder as a pointer, or nothing when the file is absent; fails
// with error 481 when the file holds no picture.
std::optional<QCursor> LoadHandCursor(FileSystem& fs, Desktop& desktop);
