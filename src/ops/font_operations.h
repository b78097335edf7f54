#pragma once
// The steps of installing and removing a font file, shared by the buttons of the main window
// and the command line, so both change the fonts folder in exactly the same way.
#include "core/services.h"
#include "fontfile/font_formats.h"
#include "platform/file_system.h"
#include "platform/font_system.h"

#include <QString>

// The text after the last "/" of a path; a path without one is its own file name.
QString fileNameOf(const QString& path);

// Copies a font file into the fonts folder under its own file name, creating the folder when
// it is missing. The copy is written to a hidden temporary file and checked before it replaces
// anything, so a failed copy or a file that is no font leaves the fonts folder as it was.
// Returns the installed copy's path, or "" when the file holds no usable font (also when a
// table its directory names runs past the end). Throws RuntimeError 52, copying nothing, for a
// name the catalogue would never list (of `formats`), and 53, 61, 70, 75 or 76 when the copy
// cannot be made.
QString copyFontToFontsFolder(FileSystem& fs, FontSystem& fonts, const QString& source, FontFormats formats);

// One font file through the Add Font steps: the checked copy into the fonts folder, then the
// registration of the copy. `failure` says why nothing was installed ("" when it was). Throws
// RuntimeError, as copyFontToFontsFolder does, when the copy cannot be made.
struct FontInstall {
  QString target;
  QString failure;
  bool installed() const { return failure.isEmpty(); }
};
FontInstall installFontFile(FileSystem& fs, FontSystem& fonts, const QString& source, FontFormats formats);
// The same, for callers that go on to the next file: a copy that cannot be made is told in
// `failure` (the run-time error's description) instead of thrown.
FontInstall tryInstallFontFile(FileSystem& fs, FontSystem& fonts, const QString& source, FontFormats formats);

// Deletes a font file that has left the font table; true when the file is gone afterwards.
bool deleteFontFile(FileSystem& fs, Yielder& yielder, const QString& path);
