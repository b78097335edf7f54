#pragma once
// The shared file dialog control: its properties keep what the last command set.
#include "core/services.h"

class CommonDialog {
 public:
  explicit CommonDialog(Prompts& prompts) : prompts_(prompts) {}
  QString FileName;
  QString Filter;
  long Flags = 0;
  // The title is read back as the last command left it, but a dialog shows it only when its
  // own command set it: another command's title would misname the dialog.
  const QString& DialogTitle() const { return title_; }
  void setDialogTitle(const QString& title) {
    title_ = title;
    titleSet_ = true;
  }
  void ShowOpen();  // FileName becomes the chosen path, or "" on cancel
  void ShowSave();

 private:
  FileDialogRequest request();
  Prompts& prompts_;
  QString title_;
  bool titleSet_ = false;
};

namespace ofn {
constexpr long ReadOnly = 0x1;
constexpr long AllowMultiSelect = 0x200;
constexpr long Explorer = 0x80000;
constexpr long LongNames = 0x200000;
}  // namespace ofn
