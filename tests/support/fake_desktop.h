#pragma once
// The desktop for tests: records clipboard and browser requests.
#include "platform/desktop.h"

#include <QStringList>

class FakeDesktop : public Desktop {
 public:
  QString folder = QStringLiteral("/nonexistent-program-folder");
  bool clipboardAccepts = true;
  bool openUrlResult = true;
  QList<QStringList> clipboard;  // every file list offered
  QStringList urls;

  bool putFilesOnClipboard(const QStringList& paths) override {
    clipboard << paths;
    return clipboardAccepts;
  }
  bool openUrl(const QString& url) override {
    urls << url;
    return openUrlResult;
  }
  QString programFolder() override { return folder; }
};
