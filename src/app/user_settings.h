#pragma once
// The choices the user makes in the window, kept between runs in the user's settings
// (on Linux $XDG_CONFIG_HOME/typorama/typorama.conf, else ~/.config/...).
#include "fontfile/font_formats.h"

// Whether the catalogue shows OpenType and collection files: off until the user turns it on.
FontFormats savedFontFormats();
void saveFontFormats(FontFormats formats);

#include "core/sample_settings.h"

// The sample the user chose; the default one when none was saved or the saved one is unusable.
SampleSettings savedSample();
void saveSample(const SampleSettings& sample);
