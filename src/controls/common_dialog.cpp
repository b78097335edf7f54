#include "controls/common_dialog.h"

namespace {
FileDialogRequest requestOf(const CommonDialog& dialog) {
  FileDialogRequest request;
  request.fileName = dialog.FileName;
  request.title = dialog.DialogTitle;
  request.filter = dialog.Filter;
  request.flags = dialog.Flags;
  return request;
}
}  // namespace

void CommonDialog::ShowOpen() { FileName = prompts_.showOpen(requestOf(*this)); }

void CommonDialog::ShowSave() { FileName = prompts_.showSave(requestOf(*this)); }
