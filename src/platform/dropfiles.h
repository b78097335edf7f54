#pragma once
// The file-drop block that the Windows clipboard takes as CF_HDROP (15): a DROPFILES header
// followed by the file list. Kept free of any system call so it is tested on every platform;
// the Windows layer hands the result to the clipboard.
#include <QByteArray>
#include <QList>

constexpr int kDropFilesHeaderSize = 20;

// The header holds pFiles = 20, the drop point (0, 0), fNC = 0 and fWide = 0, each a 32-bit
// little-endian integer. The list holds each path, already in the ANSI code page, followed by
// one NUL, and after the last path one more NUL. Paths never contain NUL themselves.
QByteArray dropFilesBlock(const QList<QByteArray>& ansiPaths);
