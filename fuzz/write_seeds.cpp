// Writes the fuzzer's seed corpus: small fonts made with the test font builder.
#include "support/font_builder.h"

#include <QDir>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: write_seeds FOLDER\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(dir);
  const auto full = [] {
    return FontBuilder()
        .name(1, 0, 1, u"Mac")
        .name(3, 0x0407, 1, u"Familie")
        .name(3, 0x0409, 1, u"Family")
        .name(3, 0x0409, 2, u"Bold")
        .name(3, 0x0409, 4, u"Family Bold")
        .nameBytes(1, 0, 4, QByteArray("Caf\xE9", 4))
        .fsSelection(0x0021);
  };
  const struct {
    const char* file;
    FontBuilder font;
  } seeds[] = {
      {"full.ttf", full()},
      {"no_os2.ttf", FontBuilder().name(3, 0x409, 4, u"Plain")},
      {"far_strings.ttf", full().stringOffsetGap(0x8000).stringStartGap(0x10)},
      {"two_names.ttf", full().table("name", FontBuilder().name(3, 0x409, 1, u"Second").nameTable())},
      {"no_magic.ttf", full().magic(0)},
      {"raw_record.ttf", full().rawNameRecord(3, 0x409, 6, 0x20, 0xFFF0)},
      {"truncated.ttf", full().truncate(100)},
  };
  for (const auto& s : seeds) {
    if (!s.font.writeTo(dir + QLatin1Char('/') + QLatin1String(s.file))) {
      std::fprintf(stderr, "write_seeds: cannot write %s\n", s.file);
      return 1;
    }
  }
  return 0;
}
