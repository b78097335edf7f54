#include "platform/font_file_face.h"

bool isPlausibleFontFileSize(uint64_t bytes) {
  // The largest real fonts (complete CJK sets, colour emoji) stay well below this.
  constexpr uint64_t kMaxFontFileBytes = uint64_t(256) << 20;
  return bytes > 0 && bytes <= kMaxFontFileBytes;
}
