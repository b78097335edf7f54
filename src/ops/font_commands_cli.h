#pragma once
// Installing and removing fonts from the command line, through the same steps as the
// Add Font and Remove Font buttons, without dialogs or message boxes.
#include "fontfile/font_formats.h"
#include "platform/services_bundle.h"

#include <QStringList>
#include <cstdio>

// --install FILE...: copies each file (of `formats`) into the fonts folder and installs it.
// One line per installed file on `out`, the reason for each failure on `err`. 0 when every file
// was installed, 1 otherwise.
int installFontsFromCommandLine(AppServices& services, const QStringList& files, FontFormats formats,
                                std::FILE* out, std::FILE* err);

// --remove PATH...: takes each font file of the catalogue (of `formats`) out of the font table
// and deletes it, with every face of a collection. Paths outside the catalogue are refused.
// Exit status as for --install.
int removeFontsFromCommandLine(AppServices& services, const QStringList& paths, FontFormats formats,
                               std::FILE* out, std::FILE* err);
