// Copy Selected Font To Clipboard: the selected row's font file, as a file.
#include "controls/flex_grid.h"
#include "core/runtime_error.h"
#include "ops/copy_files_clipboard.h"
#include "ops/ops_commands.h"

void ops::copySelectedFontToClipboard(MainView& view) {
  AppServices& services = view.services();
  ErrorTrap trap(services.prompts, QStringLiteral("Form1.PushButton7_Click"));
  QStringList paths;
  bool empty = false;
  int row = 0;
  trap(100, [&] { paths = QStringList{QString()}; });
  trap(102, [&] {
    empty = view.grid().Rows() == 0;
    row = view.grid().RowSel();
  });
  // 104: an empty grid selects no entry, so there is no path to take (error 9).
  trap(104, [&] {
    if (empty) throw errors::subscriptOutOfRange();
    paths[0] = view.list().ItemPath(row);
  });
  // 106: the result is not shown; without a path the clipboard keeps what it holds.
  trap(106, [&] { PutFilesOnClipboard(services.desktop, paths); });
}
