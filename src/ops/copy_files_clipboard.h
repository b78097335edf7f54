#pragma once
// Putting font files on the clipboard as files, so that a file manager pastes copies of them.
#include "platform/desktop.h"

#include <QStringList>

// Offers the files as a copy; true when the clipboard took them. Empty paths name no file
// and are left out; when none is left the clipboard is not touched.
bool PutFilesOnClipboard(Desktop& desktop, const QStringList& paths);
