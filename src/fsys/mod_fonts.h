#pragma once
// The fonts folder and the font-table wrappers.
#include "platform/font_system.h"

#include <QString>

constexpr int kCsidlFonts = 20;
constexpr int kCsidlLocalAppData = 0x1C;  // the user's caches

// The user's fonts folder ending in "/", or "" when there is none.
QString GetFontsFolder(FontSystem& fonts);
QString GetSpecialFolder(FontSystem& fonts, int csidl);
bool RegisterFontResource(FontSystem& fonts, const QString& path);
bool UnregisterFontResource(FontSystem& fonts, const QString& pathOrName);
