#include "ops/copy_files_clipboard.h"

bool PutFilesOnClipboard(Desktop& desktop, const QStringList& paths) {
  QStringList files;
  for (const QString& path : paths)
    if (!path.isEmpty()) files << path;
  if (files.isEmpty()) return false;
  return desktop.putFilesOnClipboard(files);
}
