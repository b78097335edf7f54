#pragma once
// The choices the user makes in the window, kept between runs in the user's settings
// (on Linux $XDG_CONFIG_HOME/typorama/typorama.conf, else ~/.config/...).
#include "fontfile/font_formats.h"

// Whether the catalogue shows OpenType and collection files: off until the user turns it on.
FontFormats savedFontFormats();
void saveFontFormats(FontFormats formats);
