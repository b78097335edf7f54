#pragma once
// The main window's two export buttons. While an export runs its button reads "Cancel Export"
// and a click on it stops the export at the next font; the fonts written so far are saved.
#include "controls/main_view.h"

namespace exporting {

// "Export Fonts To Excel": one spreadsheet row per catalogue entry, the whole row set in that font.
void exportToExcel(MainView& view);
// "Export Fonts To Word": one paragraph per catalogue entry, each line set in its own font, then
// one empty paragraph.
void exportToWord(MainView& view);

}  // namespace exporting
