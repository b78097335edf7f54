#pragma once
// The clipboard contents that file managers paste as copies of files.
#include <QStringList>

class QMimeData;

// text/uri-list and x-special/gnome-copied-files ("copy", then one file URI per line).
QMimeData* fileListMimeData(const QStringList& paths);
