// Copy Selected Font To Clipboard: the selected row's font file, as a file.
#include "app/form1.h"
#include "controls/flex_grid.h"
#include "ops/copy_files_clipboard.h"

void Form1::PushButton7_Click() {
  ErrorTrap trap(services_.prompts, QStringLiteral("Form1.PushButton7_Click"));
  QStringList paths{QString()};
  bool empty = false;
  int row = 0;
  trap(100, [&] { empty = MSFlexGrid1->Rows() == 0; });
  if (empty) return;
  trap(102, [&] { row = MSFlexGrid1->RowSel(); });
  trap(104, [&] { paths[0] = List1.ItemPath(row); });
  // 106: the result is not shown; without a path the clipboard keeps what it holds.
  trap(106, [&] { PutFilesOnClipboard(services_.desktop, paths); });
}
