// Writes the fuzzers' seed corpora: small fonts made with the test font builder and, with a
// second folder, catalogue cache files.
#include "catalogue/catalogue_cache.h"
#include "support/font_builder.h"

#include <QDir>
#include <QFile>
#include <cstdio>

namespace {
bool write(const QString& path, const QByteArray& bytes) {
  QFile out(path);
  if (out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size()) return true;
  std::fprintf(stderr, "write_seeds: cannot write %s\n", qPrintable(path));
  return false;
}

// Cache files: records of one file and of three, with a snapshot, and with the details of two faces.
bool writeCacheSeeds(const QString& caches) {
  QDir().mkpath(caches);
  const Record plain{{1, 2, 3, 4, 5}, 3, {{"Family Bold", "Family", "Bold", 0x21, 0}}};
  const Records files{{{"/f/a.ttf", plain},
                       {"/f/b.ttf", plain},
                       {"/f/\u03a9/pair.ttc", {{1, 3, 9, 4, 5}, 2, {{"\u0416", "\u0416", "", 0, 1}, {"B", "\u0416", "I", 1, 2}}}}}};
  if (!write(caches + "/one.cache", encodeCatalogueCache({{{"/a", plain}}}, 0x0409, "fuzz")) ||
      !write(caches + "/three.cache", encodeCatalogueCache(files, 0x0407, "fuzz")))
    return false;
  const Snapshot listing{"1", {{"/f/", Identity{1, 7, 9, 4, 5}}, {"/g/", std::nullopt}}, {{2, 1}, {0, 0}, {2, 0}}};
  if (!write(caches + "/listed.cache", encodeCatalogueCache(files, 0x0407, "fuzz", &listing)))
    return false;
  // With the details of two faces: names, an axis, an instance and lists.
  truetype::FaceDetails details;
  details.names[1] = QStringLiteral("Family");
  details.names[13] = QStringLiteral("Licence \u03a9");
  details.axes = {{"wght", 1 << 16, 4 << 16, 9 << 16}};
  details.instances = {QStringLiteral("Thin")};
  details.languages = {"el", "en"};
  DetailsByFace kept;
  kept.insert({plain.identity, 0}, details);
  kept.insert({files.files[2].second.identity, 1}, {});
  const std::string section = encodeDetails(kept, files);
  return write(caches + "/details.cache", encodeCatalogueCache(files, 0x0407, "fuzz", &listing,
                                                               QByteArrayView(section.data(), qsizetype(section.size()))));
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: write_seeds FOLDER [CACHE_FOLDER]\n");
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
    QByteArray font;
  } seeds[] = {
      {"full.ttf", full().build()},
      {"no_os2.ttf", FontBuilder().name(3, 0x409, 4, u"Plain").build()},
      {"far_strings.ttf", full().stringOffsetGap(0x8000).stringStartGap(0x10).build()},
      {"two_names.ttf", full().table("name", FontBuilder().name(3, 0x409, 1, u"Second").nameTable()).build()},
      {"no_magic.ttf", full().magic(0).build()},
      {"raw_record.ttf", full().rawNameRecord(3, 0x409, 6, 0x20, 0xFFF0).build()},
      {"truncated.ttf", full().truncate(100).build()},
      {"scripts.ttf", FontBuilder().name(3, 0x0419, 4, u"Жирный Тест").name(1, 0, 4, u"Mac").build()},
      {"cff.otf", full().sfntVersion(0x4F54544F).build()},  // "OTTO"
      {"pair.ttc", fontCollection({full().build(), FontBuilder().name(3, 0x409, 4, u"Second").build()})},
      {"version2.ttc", fontCollection({full().build(), full().magic(0).build()}, 0x00020000)},
      {"cut.ttc", fontCollection({full().build(), full().build()}).chopped(40)},
      {"details.ttf", full()
                          .name(3, 0x409, 258, u"Light")
                          .table("fvar", fvarTable({{"wght", 100 << 16, 400 << 16, 900 << 16}}, {258, 2}))
                          .table("GSUB", layoutTable({"latn", "DFLT"}, {"liga"}))
                          .table("GPOS", layoutTable({"latn"}, {"kern", "mark"}))
                          .table("post", QByteArray(32, '\x01'))
                          .table("maxp", QByteArray::fromHex("000050000102"))
                          .build()},
      // Character maps: formats 4 (by delta and by glyph array), 12 and 13 with a sample text of
      // the font's own; a symbol map only; format 0 and 6 beside a broken subtable.
      {"cmap.ttf", full()
                       .name(3, 0x409, 19, u"\u05e9\u05dc\u05d5\u05dd")
                       .table("cmap", cmapTable({{3, 1, cmapFormat4({{0x5D0, 0x5EA, 1, 0}, {0x61, 0x63, 0, 4},
                                                                      kCmapLastSegment}, {5, 0, 7})},
                                                 {3, 10, cmapGroups(12, {{0x391, 0x3A9, 1}, {0x20000, 0x20010, 0}})},
                                                 {0, 6, cmapGroups(13, {{0x4E00, 0x4E10, 3}})}}))
                       .build()},
      {"cmap_symbol.ttf", full().table("cmap", cmapTable({{3, 0, cmapFormat4({{0xF020, 0xF0FF, 1, 0},
                                                                              kCmapLastSegment})}})).build()},
      {"cmap_small.ttf", full().table("cmap", cmapTable({{3, 1, QByteArray::fromHex("000200060000")},
                                                          {0, 3, QByteArray::fromHex("000600120000041000040001000200000003")},
                                                          {0, 0, QByteArray::fromHex("000001060000") + QByteArray(256, '\x01')}}))
                                 .build()},
      // Longer than the fuzzer's inputs; fuzz.sh runs them once whole under a memory limit.
      {"forged_names.ttf", forgedNameTableFont()},
      {"forged_faces.ttc", fontCollection(std::vector<QByteArray>(
                               0xFFFF, FontBuilder().name(3, 0x409, 4, u"F").build()))},
      {"forged_names.ttc", fontCollection({forgedNameTableFont(), forgedNameTableFont()})},
  };
  for (const auto& s : seeds)
    if (!write(dir + QLatin1Char('/') + QLatin1String(s.file), s.font)) return 1;
  if (argc == 3 && !writeCacheSeeds(QString::fromLocal8Bit(argv[2]))) return 1;
  return 0;
}
