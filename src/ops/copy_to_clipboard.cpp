// Copy Selected Font To Clipboard: the selected row's font file, as a file.
#include "app/catalogue_entry.h"
#include "app/form1.h"
#include "controls/flex_grid.h"
#include "ops/copy_files_clipboard.h"

void Form1::PushButton7_Click() {
  ErrorTrap trap(services_.prompts, QStringLiteral("Form1.PushButton7_Click"));
  QStringList paths;
  QStringList fields;
  trap(100, [&] { paths = QStringList{QString()}; });
  // 102: an empty grid selects no entry; taking its path then fails with error 9.
  trap(102, [&] {
    if (MSFlexGrid1->Rows() > 0) fields = splitCatalogueEntry(List1.List(MSFlexGrid1->RowSel()));
  });
  trap(104, [&] { paths[0] = catalogueField(fields, 1); });
  // 106: the result is not shown; without a path the clipboard keeps what it holds.
  trap(106, [&] { PutFilesOnClipboard(services_.desktop, paths); });
}
