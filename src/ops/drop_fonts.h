#pragma once
// Font files dropped on the main window.
#include <QStringList>

class Form1;

// Installs each file through the Add Font steps, tells the outcome of the whole drop in one box
// ("Done.", or every file that failed and why) and reloads the catalogue once.
void installDroppedFonts(Form1& form, const QStringList& paths);
