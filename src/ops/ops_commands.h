#pragma once
// The commands that change or hand out the catalogue's font files: Add Font, Remove Selected
// Font, Copy Selected Font To Clipboard, and font files dropped on the main window.
#include "controls/main_view.h"

#include <QStringList>

namespace ops {

// "Add Font": copies the file chosen in the open dialog into the fonts folder, installs it and
// refilters the catalogue.
void addFont(MainView& view);
// "Remove Selected Font": after a question, takes the selected row's font out of the font table,
// deletes its file and refilters the catalogue.
void removeSelectedFont(MainView& view);
// "Copy Selected Font To Clipboard": the selected row's font file, as a file.
void copySelectedFontToClipboard(MainView& view);
// Installs each file through the Add Font steps, tells the outcome of the whole drop in one box
// ("Done.", or every file that failed and why) and reloads the catalogue once.
void installDroppedFonts(MainView& view, const QStringList& paths);

}  // namespace ops
