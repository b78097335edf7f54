// The catalogue cache's file: what is written reads back the same, and a file that is damaged,
// cut short, forged or made by another program version or machine is refused whole.
#include "catalogue/catalogue_cache.h"
#include "platform/path_codec.h"

#include <QtEndian>
#include <gtest/gtest.h>

namespace {

Records sampleFiles() {
  return {{{"/fonts/a.ttf", {{1, 2, 3, 4, 5}, 3, {{"Alpha Bold", "Alpha", "Bold", 0x20, 7}}}},
           {"/fonts/b.ttf", {{1, 2, 4, 4, 5}, 3, {{"Alpha", "Alpha", "", 0, 8}}}},
           {pathFromBytes("/fonts/\xff-\xce\xa9/collection.ttc"),
            {{9, 8, 7, -6, 5}, 2, {{"Жирный", "Ж", "", 0x41, UINT32_MAX}, {QString(), "Ж", "Italic", 0x01, 0}}}}}};
}

// The last list: a folder there and one that was not, rows naming records and faces.
Snapshot sampleListing() {
  return {QByteArray("1\0/fonts", 9), {{"/fonts/", Identity{1, 9, 4096, 6, 7}}, {"/gone/", std::nullopt}},
          {{2, 1}, {0, 0}, {2, 0}, {1, 0}}};
}

// The bytes with their checksum made right, as a forger would; with a field set first.
QByteArray withChecksum(QByteArray bytes) {
  qToUnaligned(cacheChecksum(QByteArrayView(bytes).sliced(kCacheHeaderBytes)), bytes.data() + kCacheHeaderBytes - 8);
  return bytes;
}
QByteArray forged(QByteArray bytes, qsizetype at, uint32_t value) {
  qToUnaligned(value, bytes.data() + at);
  return withChecksum(bytes);
}

TEST(CatalogueCacheFile, ReadsBackWhatWasWritten) {
  const Snapshot listing = sampleListing();
  const auto back = decodeCatalogueCache(encodeCatalogueCache(sampleFiles(), 0x0407, "1.2.3", &listing), "1.2.3");
  ASSERT_TRUE(back);
  EXPECT_EQ(back->localeId, 0x0407);
  EXPECT_TRUE(back->records == sampleFiles());
  EXPECT_TRUE(back->snapshot == listing);
  EXPECT_FALSE(decodeCatalogueCache(encodeCatalogueCache(sampleFiles(), 0x0407, "1.2.3"), "1.2.3")->snapshot);
  EXPECT_TRUE(decodeCatalogueCache(encodeCatalogueCache({}, 0x0409, ""), "")->records.files.empty());
}

// Thousands of records, decoded in two halves on two threads: read back in order, and a record
// forged in the second half refuses the whole file too.
TEST(CatalogueCacheFile, ALargeFileReadsBackWholeOrNotAtAll) {
  Records files;
  for (int k = 0; k < 5001; ++k) {
    const QString folder = QStringLiteral("/fonts/%1%2/").arg(k / 300).arg(k % 7 ? "" : "-\u0416");
    const QString name = QStringLiteral("Face %1").arg(k % 40);
    files.files.push_back({folder + QString::number(k) + ".ttf",
                           {{1, uint64_t(k), 3, 4, 5}, 3, {{name + " Bold", name, "Bold", uint16_t(k), uint32_t(k)}}}});
  }
  const QByteArray good = encodeCatalogueCache(files, 0x0409, "1", nullptr);
  const auto back = decodeCatalogueCache(good, "1");
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->records == files);
  // The last record, before the byte that says no listing follows and the length of no details:
  // folder, name and full name indexes past the strings, no face.
  const qsizetype last = good.size() - 1 - 8 - (4 + 4 + 5 * 8 + 1 + 2) - (3 * 4 + 2 + 4);
  for (const auto& [at, value] : {std::pair<qsizetype, uint32_t>{0, 0xFFFFFFFF}, {4, 0xFFFFFFFF}, {51, 0xFFFFFFFF}, {49, 0}})
    EXPECT_FALSE(decodeCatalogueCache(forged(good, last + at, value), "1")) << at;
}

// With a look at the files, records that mostly no longer hold are not decoded at all; a
// minority out of date (one folder changed, or every other file) keeps them all.
TEST(CatalogueCacheFile, RecordsMostlyOutOfDateAreNotDecoded) {
  Records files;
  for (uint64_t k = 0; k < 400; ++k)
    files.files.push_back({QStringLiteral("/fonts/%1/%2.ttf").arg(k / 40).arg(k), {{1, k, 3, 4, 5}, 1, {{"A", "A", "", 0, 0}}}});
  const QByteArray bytes = encodeCatalogueCache(files, 0x0409, "1", nullptr);
  const std::pair<std::function<bool(uint64_t)>, bool> cases[] = {
      {[](uint64_t) { return true; }, true},         {[](uint64_t) { return false; }, false},
      {[](uint64_t k) { return k >= 40; }, true},    {[](uint64_t k) { return k % 2 == 0; }, true},
      {[](uint64_t k) { return k >= 360; }, false},  {[](uint64_t k) { return k % 3 == 0; }, false}};
  for (const auto& [holds, decoded] : cases) {
    int asked = 0;
    const auto back = decodeCatalogueCache(bytes, "1", [&](const QString& path, const Identity& identity) {
      ++asked;
      EXPECT_TRUE(path == files.files[identity.inode].first);
      return holds(identity.inode);
    });
    EXPECT_EQ(bool(back), decoded) << asked;
    EXPECT_LE(asked, 16);
    EXPECT_TRUE(!back || back->records == files);
  }
}

TEST(CatalogueCacheFile, RefusesWholeAnyFileThatIsOdd) {
  const Snapshot listing = sampleListing();
  const QByteArray good = encodeCatalogueCache(sampleFiles(), 0x0409, "1.2.3", &listing);
  for (qsizetype n = 0; n < good.size(); ++n) EXPECT_FALSE(decodeCatalogueCache(good.left(n), "1.2.3")) << n;
  EXPECT_FALSE(decodeCatalogueCache(good + '\0', "1.2.3"));
  EXPECT_FALSE(decodeCatalogueCache(good, "1.2.4"));
  // Header fields, the checksum made right: format, byte order, pointer size, counts, length.
  for (const auto& [at, value] : {std::pair<qsizetype, uint32_t>{8, 1}, {12, 0x04030201}, {16, 4}, {40, 0xFFFFFFFF}, {40, 1},
                                  {44, 0xFFFFFFFF}, {44, 4}, {48, 1}})
    EXPECT_FALSE(decodeCatalogueCache(forged(good, at, value), "1.2.3")) << at;
  // One byte changed anywhere without the checksum: refused; with it: refused or read in bounds.
  for (qsizetype at = 0; at < good.size(); ++at) {
    for (const uint8_t value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
      QByteArray bytes = good;
      if (uint8_t(bytes[at]) == value) continue;
      bytes[at] = char(value);
      if (at >= qsizetype(kCacheHeaderBytes)) EXPECT_FALSE(decodeCatalogueCache(bytes, "1.2.3")) << at;
      if (const auto odd = decodeCatalogueCache(withChecksum(bytes), "1.2.3")) {
        for (const auto& [path, file] : odd->records.files) {
          EXPECT_TRUE(file.formats >= 1 && file.formats <= 3);
          EXPECT_TRUE(file.faces.size() == 1 || (file.faces.size() > 1 && file.formats == 2));
        }
        for (const auto& [file, face] : odd->snapshot ? odd->snapshot->rows : Snapshot().rows)
          EXPECT_TRUE(file < odd->records.files.size() && face < odd->records.files[file].second.faces.size());
      }
    }
  }
}

}  // namespace
