#include "controls/common_dialog.h"

FileDialogRequest CommonDialog::request() {
  FileDialogRequest request;
  request.fileName = FileName;
  request.title = titleSet_ ? title_ : QString();  // "": the platform's own title
  request.filter = Filter;
  request.flags = Flags;
  titleSet_ = false;
  return request;
}

void CommonDialog::ShowOpen() { FileName = prompts_.showOpen(request()); }

void CommonDialog::ShowSave() { FileName = prompts_.showSave(request()); }
