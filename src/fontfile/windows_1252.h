#pragma once
// The Windows-1252 code page ("ANSI" on Western Windows systems), which single-byte name
// strings of font files are read in. Kept free of Qt so the fuzz build can use it.
#include <cstdint>

namespace truetype {

// The character of a byte. The five bytes that Windows-1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the C1 controls of the same value, as Windows itself does.
char16_t windows1252ToUnicode(uint8_t byte);
// The byte of a character, or -1 when the code page has none.
int unicodeToWindows1252(char16_t ch);

}  // namespace truetype
