#pragma once
// The command-line modes: the same catalogue and commands, without a window.
#include "fontfile/font_formats.h"
#include "platform/services_bundle.h"

#include <QStringList>
#include <cstdio>

// Runs the mode the arguments name and returns the exit status; nothing when the arguments
// ask for the window.
std::optional<int> runCommandLine(const QStringList& arguments, AppServices& services);

// True when the arguments name a mode that needs no display.
bool isCommandLineMode(const QStringList& arguments);

// From here on only the program's own log messages reach standard error, as "typorama: ...";
// Qt's remarks about its set-up (no XDG_RUNTIME_DIR, say) are left out.
void keepOnlyOwnMessages();

// True for the command-line modes that need no GUI application: listing, help and version.
bool isCoreOnlyMode(const QStringList& arguments);

// --list: one line per catalogue row (with every format, the face's index as an eighth field);
// exit 0 with rows, 1 without.
int listCatalogue(AppServices& services, const QString& filter, FontFormats formats, std::FILE* out);

// --info: the details of one face of a font file, "Label: value" lines or one JSON object line;
// exit 0, or 1 with the reason on `err` when the file cannot be read or has no usable such face.
int printFaceInfo(AppServices& services, const QString& path, uint32_t face, bool json, std::FILE* out,
                  std::FILE* err);
