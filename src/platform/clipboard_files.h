#pragma once
// The clipboard contents that file managers paste as copies of files.
#include <QStringList>

class QMimeData;

// text/uri-list and x-special/gnome-copied-files ("copy", then one file URI per line), and
// nothing else. `forX11`: for Qt's X11 clipboard, which would add text formats of its own.
QMimeData* fileListMimeData(const QStringList& paths, bool forX11 = false);
