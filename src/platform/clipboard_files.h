#pragma once
// The clipboard contents that file managers paste as copies of files.
#include <QByteArray>
#include <QStringList>
#include <optional>

class QMimeData;
class QUrl;

// The file URI of a path, made from its raw bytes (names that are not UTF-8 survive).
QByteArray fileUri(const QString& path);
// The path a local file URL names, byte for byte; nothing for any other URL.
std::optional<QString> localPathOf(const QUrl& url);

// text/uri-list and x-special/gnome-copied-files ("copy", then one file URI per line), and
// nothing else. `forX11`: for Qt's X11 clipboard, which would add text formats of its own.
QMimeData* fileListMimeData(const QStringList& paths, bool forX11 = false);
// The same for the clipboard or a drag on the display the program runs on.
QMimeData* fileListMimeDataForDisplay(const QStringList& paths);
