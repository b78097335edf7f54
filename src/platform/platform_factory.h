#pragma once
// The file system, font system and desktop of the system the program was built for; main makes
// them once, after the QApplication. Each system's folder (platform/linux, ...) defines it.
#include "platform/desktop.h"
#include "platform/file_system.h"
#include "platform/font_system.h"

#include <memory>

struct PlatformServices {
  std::unique_ptr<FileSystem> files;
  std::unique_ptr<FontSystem> fonts;
  std::unique_ptr<Desktop> desktop;
};

PlatformServices makePlatformServices();
