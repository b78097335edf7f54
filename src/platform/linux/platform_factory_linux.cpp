#include "platform/platform_factory.h"

#include "platform/linux/desktop_linux.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/font_system_linux.h"

PlatformServices makePlatformServices() {
  return {std::make_unique<LinuxFileSystem>(), std::make_unique<LinuxFontSystem>(),
          std::make_unique<LinuxDesktop>()};
}
