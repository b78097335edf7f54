// The file source behind the reader: whatever its windows hold, every read must give exactly
// the bytes of the file, refuse what lies outside it, and survive a file that shrinks.
#include "fontfile/byte_source.h"
#include "fontfile/truetype_tables.h"
#include "platform/linux/file_system_linux.h"
#include "platform/path_codec.h"
#include "support/font_builder.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

using namespace truetype;

namespace {

class FileByteSourceTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  LinuxFileSystem disk;
  QString write(const QByteArray& bytes) {
    const QString path = dir.filePath(QStringLiteral("f%1.bin").arg(++files_));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    EXPECT_EQ(f.write(bytes), bytes.size());
    return path;
  }
  static QByteArray randomBytes(int n, unsigned seed) {
    std::mt19937 rng(seed);
    QByteArray b(n, '\0');
    for (char& c : b) c = static_cast<char>(rng() & 0xFF);
    return b;
  }

 private:
  int files_ = 0;
};

TEST_F(FileByteSourceTest, EveryReadGivesTheFileBytes) {
  constexpr int window = static_cast<int>(FileByteSource::kWindowBytes);
  for (const int size : {1, 100, window - 1, window, window + 1, 3 * window + 17}) {
    const QByteArray bytes = randomBytes(size, static_cast<unsigned>(size));
    FileByteSource src;
    ASSERT_TRUE(src.open(disk, write(bytes)));
    ASSERT_EQ(src.size(), static_cast<uint64_t>(size));
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> at(0, size + 8), len(0, 2 * window);
    for (int round = 0; round < 3000; ++round) {
      const int offset = at(rng);
      const int length = round % 4 == 0 ? len(rng) : len(rng) % 64;
      std::vector<uint8_t> out(static_cast<size_t>(length) + 1, 0xA5);
      const bool inside = offset + length <= size;
      ASSERT_EQ(src.readAt(static_cast<uint64_t>(offset), out.data(), static_cast<size_t>(length)), inside)
          << size << " " << offset << " " << length;
      if (inside && length > 0)
        ASSERT_EQ(std::memcmp(out.data(), bytes.constData() + offset, static_cast<size_t>(length)), 0)
            << size << " " << offset << " " << length;
      ASSERT_EQ(out[static_cast<size_t>(length)], 0xA5);  // nothing written past the end
    }
  }
}

TEST_F(FileByteSourceTest, AShrunkFileStillGivesWhatIsLeftAndRefusesTheRest) {
  const QByteArray bytes = randomBytes(10000, 3);
  const QString path = write(bytes);
  FileByteSource src;
  ASSERT_TRUE(src.open(disk, path));
  ASSERT_EQ(::truncate(pathToBytes(path).c_str(), 5000), 0);
  uint8_t out[100];
  // The window from 4990 would reach past the new end; the 10 bytes asked for are there.
  EXPECT_TRUE(src.readAt(4990, out, 10));
  EXPECT_EQ(std::memcmp(out, bytes.constData() + 4990, 10), 0);
  EXPECT_FALSE(src.readAt(6000, out, 100));
  EXPECT_FALSE(src.readAt(9990, out, 20));  // outside the size seen at open
}

TEST_F(FileByteSourceTest, AParseReadsAFontInTwoCallsAndAgreesWithMemory) {
  // The name table far behind the first window, the rest inside it.
  const QByteArray font = FontBuilder()
                              .name(3, 0x409, 1, u"Family")
                              .name(3, 0x409, 4, u"Family Bold")
                              .name(1, 0, 4, u"Mac Name")
                              .fsSelection(0x21)
                              .table("zzzz", QByteArray(20000, 'z'))
                              .order({"head", "OS/2", "zzzz", "name"})
                              .build();
  FileByteSource file;
  ASSERT_TRUE(file.open(disk, write(font)));
  FontTablesState fromFile;
  const bool fileComplete = readFontTables(file, fromFile, 0x409);
  EXPECT_LE(file.readCalls(), 2);

  MemoryByteSource memory(font.constData(), static_cast<size_t>(font.size()));
  FontTablesState fromMemory;
  EXPECT_EQ(readFontTables(memory, fromMemory, 0x409), fileComplete);
  EXPECT_EQ(fromFile.validTrueTypeFile, fromMemory.validTrueTypeFile);
  ASSERT_TRUE(fromFile.nameRecords.has_value());
  EXPECT_EQ(fromFile.nameRecords->size(), fromMemory.nameRecords->size());
  EXPECT_EQ(fromFile.nameStrings, fromMemory.nameStrings);
  EXPECT_EQ(fromFile.os2Info.fsSelection, fromMemory.os2Info.fsSelection);
  EXPECT_EQ(selectNameString(*fromFile.nameRecords, fromFile.nameStrings, 4, 0x409), u"Family Bold");
}

TEST_F(FileByteSourceTest, ANameTableBetweenLongTablesIsReadExactly) {
  const FontBuilder builder = FontBuilder()
                                  .name(3, 0x409, 4, u"Family Bold")
                                  .table("yyyy", QByteArray(5000, 'y'))
                                  .table("zzzz", QByteArray(20000, 'z'))
                                  .order({"head", "yyyy", "name", "zzzz"});
  FileByteSource file;
  ASSERT_TRUE(file.open(disk, write(builder.build())));
  FontTablesState tables;
  EXPECT_TRUE(readFontTables(file, tables, 0x409));
  ASSERT_TRUE(tables.nameRecords.has_value());
  EXPECT_EQ(selectNameString(*tables.nameRecords, tables.nameStrings, 4, 0x409), u"Family Bold");
  EXPECT_EQ(file.readCalls(), 2);
  EXPECT_EQ(file.bytesRead(), FileByteSource::kWindowBytes + uint64_t(builder.nameTable().size()));
}

TEST_F(FileByteSourceTest, ClosedOrRefusedSourcesReadNothing) {
  FileByteSource src;
  uint8_t out[4];
  EXPECT_FALSE(src.readAt(0, out, 4));
  EXPECT_FALSE(src.open(disk, dir.path()));  // a folder is no file
  EXPECT_FALSE(src.readAt(0, out, 4));
  ASSERT_TRUE(src.open(disk, write(QByteArray("abcdef"))));
  EXPECT_TRUE(src.readAt(2, out, 4));
  src.close();
  EXPECT_FALSE(src.readAt(0, out, 1));
  EXPECT_EQ(src.size(), 0u);
}

}  // namespace
