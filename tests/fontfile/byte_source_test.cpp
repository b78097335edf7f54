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

// Counts the questions put to a listed file about its size and identity.
class CountingDisk : public LinuxFileSystem {
 public:
  int asked = 0;
  std::unique_ptr<ReadableFile> openListedFile(const QString& path) override {
    struct Counted final : ReadableFile {
      std::unique_ptr<ReadableFile> file;
      int& asked;
      Counted(std::unique_ptr<ReadableFile> f, int& n) : file(std::move(f)), asked(n) {}
      uint64_t size() const override { return ++asked, file->size(); }
      std::optional<Identity> identity() const override { return ++asked, file->identity(); }
      int64_t readAt(uint64_t offset, void* out, size_t length) override { return file->readAt(offset, out, length); }
    };
    auto file = LinuxFileSystem::openListedFile(path);
    return file ? std::make_unique<Counted>(std::move(file), asked) : nullptr;
  }
};

TEST_F(FileByteSourceTest, EveryReadGivesTheFileBytes) {
  constexpr int window = static_cast<int>(FileByteSource::kWindowBytes);
  for (const int size : {1, 100, window - 1, window, window + 1, 3 * window + 17})
  for (const bool listed : {false, true}) {  // a listed file learns its size from the reads
    const QByteArray bytes = randomBytes(size, static_cast<unsigned>(size));
    FileByteSource src;
    ASSERT_TRUE(listed ? src.openListed(disk, write(bytes)) : src.open(disk, write(bytes)));
    if (!listed) {
      ASSERT_EQ(src.size(), static_cast<uint64_t>(size));
    }
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
    EXPECT_EQ(src.size(), static_cast<uint64_t>(size));
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

// A listed file whose name table lies far behind its first window, whole or cut short: read as
// from memory; whole, without a question about its size.
TEST_F(FileByteSourceTest, AListedFileParsesAsMemoryDoesWithoutAStatusQuery) {
  const FontBuilder builder = FontBuilder()
                                  .name(3, 0x409, 1, u"Family")
                                  .name(3, 0x409, 4, u"Family Bold")
                                  .table("zzzz", QByteArray(20000, 'z'))
                                  .order({"head", "OS/2", "zzzz", "name"});
  const QByteArray font = builder.build();
  const qsizetype nameAt = font.size() - builder.nameTable().size();
  for (const qsizetype cut : {font.size(), font.size() - 3, nameAt + 4, qsizetype(5000), qsizetype(100)}) {
    CountingDisk counting;
    FileByteSource file;
    ASSERT_TRUE(file.openListed(counting, write(font.left(cut))));
    FontTablesState fromFile, fromMemory;
    const bool complete = readFontTables(file, fromFile, 0x409);
    MemoryByteSource memory(font.constData(), static_cast<size_t>(cut));
    EXPECT_EQ(readFontTables(memory, fromMemory, 0x409), complete) << cut;
    EXPECT_EQ(fromFile.nameRecords.has_value(), fromMemory.nameRecords.has_value()) << cut;
    EXPECT_EQ(fromFile.nameStrings, fromMemory.nameStrings) << cut;
    if (cut == font.size()) {
      EXPECT_TRUE(complete);
      EXPECT_EQ(counting.asked, 0);
      EXPECT_EQ(file.readCalls(), 2);
    }
  }
  // A font smaller than a window: one read, and no call to find its end.
  CountingDisk counting;
  FileByteSource small;
  ASSERT_TRUE(small.openListed(counting, write(FontBuilder().name(3, 0x409, 4, u"Small").build())));
  FontTablesState tables;
  EXPECT_TRUE(readFontTables(small, tables, 0x409));
  EXPECT_EQ(small.readCalls(), 1);
  EXPECT_EQ(counting.asked, 0);
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
