// libFuzzer entry: arbitrary bytes through the same table reading that CFontPreview uses.
#include "fontfile/truetype_tables.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  truetype::MemoryByteSource source(data, size);
  truetype::FontTablesState state;
  truetype::readFontTables(source, state);
  // A second parse over the same state, as when one object reads two files.
  truetype::MemoryByteSource again(data, size / 2);
  truetype::readFontTables(again, state);
  if (state.nameRecords) {
    for (uint16_t id = 0; id < 8; ++id) {
      for (int32_t locale : {0x0409, 0x0407, 0})
        (void)truetype::selectNameString(*state.nameRecords, state.nameStrings, id, locale);
    }
  }
  for (int bit = -1; bit <= 16; ++bit) (void)truetype::isBitSet(state.os2Info.fsSelection, bit);
  return 0;
}
