#pragma once
// The shared file dialog control: its properties keep what the last command set.
#include "core/services.h"

class CommonDialog {
 public:
  explicit CommonDialog(Prompts& prompts) : prompts_(prompts) {}
  QString FileName;
  QString DialogTitle;
  QString Filter;
  long Flags = 0;
  void ShowOpen();  // FileName becomes the chosen path, or "" on cancel
  void ShowSave();

 private:
  Prompts& prompts_;
};

namespace ofn {
constexpr long ReadOnly = 0x1;
constexpr long AllowMultiSelect = 0x200;
constexpr long Explorer = 0x80000;
constexpr long LongNames = 0x200000;
}  // namespace ofn
