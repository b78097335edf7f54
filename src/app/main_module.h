#pragma once
// Small routines that the windows and commands share.
#include "app/services.h"
#include "platform/desktop.h"
#include "platform/file_system.h"

#include <QString>
#include <optional>

class QWidget;

// True when the path names something whose modification time can be read.
bool FileExists(FileSystem& fs, const QString& path);
// Yields once, then deletes the file, ignoring every failure.
void DeleteFileQuietly(FileSystem& fs, Yielder& yielder, const QString& path);
// True for a folder, false for anything else, nothing when the attributes cannot be read.
std::optional<bool> IsFolder(FileSystem& fs, const QString& path);
// One start in a hundred opens the vendor's home page.
void RandomHomePageVisit(RandomSource& random, Desktop& desktop);
// Button-face background for the window and its labels.
void ApplyFormColors(QWidget* window);
// When "x/o.cjs" is in the program's folder (and not hidden), colours the main window like a
// dialog and applies the file as its style sheet.
void ApplySkin(QWidget* mainWindow, FileSystem& fs, Desktop& desktop);
