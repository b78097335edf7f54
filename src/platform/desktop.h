#pragma once
// The desktop around the program: clipboard, browser, the program's own folder.
#include <QString>
#include <QStringList>

class Desktop {
 public:
  virtual ~Desktop() = default;
  // Offers the files to file managers as a copy; true when the clipboard took them.
  virtual bool putFilesOnClipboard(const QStringList& paths) = 0;
  virtual bool openUrl(const QString& url) = 0;
  // The folder that holds the program, without a trailing "/".
  virtual QString programFolder() = 0;
};
