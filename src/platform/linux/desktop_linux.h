#pragma once
#include "platform/desktop.h"

class LinuxDesktop : public Desktop {
 public:
  bool putFilesOnClipboard(const QStringList& paths) override;
  bool openUrl(const QString& url) override;
  QString programFolder() override;
};
