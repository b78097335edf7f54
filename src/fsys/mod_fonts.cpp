#include "fsys/mod_fonts.h"

QString GetFontsFolder(FontSystem& fonts) { return GetSpecialFolder(fonts, kCsidlFonts); }

QString GetSpecialFolder(FontSystem& fonts, int csidl) { return fonts.specialFolder(csidl); }

bool RegisterFontResource(FontSystem& fonts, const QString& path) {
  return fonts.registerFontResource(path);
}

bool UnregisterFontResource(FontSystem& fonts, const QString& pathOrName) {
  return fonts.unregisterFontResource(pathOrName);
}
