#pragma once
// Small questions about files that the commands share.
#include "core/services.h"
#include "platform/file_system.h"

#include <QString>
#include <optional>

// True when the path names something whose modification time can be read.
bool FileExists(FileSystem& fs, const QString& path);
// Yields once, then deletes the file, ignoring every failure.
void DeleteFileQuietly(FileSystem& fs, Yielder& yielder, const QString& path);
// True for a folder, false for anything else, nothing when the attributes cannot be read.
std::optional<bool> IsFolder(FileSystem& fs, const QString& path);
