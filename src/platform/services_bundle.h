#pragma once
// Everything a window needs from outside, handed in at construction.
#include "core/services.h"
#include "platform/desktop.h"
#include "platform/file_system.h"
#include "platform/font_system.h"

namespace office {
class OfficeFactory;
}
class CatalogueCache;

struct AppServices {
  Prompts& prompts;
  Yielder& yielder;
  RandomSource& random;
  FileSystem& fs;
  FontSystem& fonts;
  Desktop& desktop;
  office::OfficeFactory* office = nullptr;
  // What earlier reads of the font files gave; none: every fill reads every file.
  CatalogueCache* catalogueCache = nullptr;
};
