// CFontPreview over files written by the font builder, with a recording font system.
#include "core/runtime_error.h"
#include "fontfile/cfont_preview.h"
#include "platform/linux/file_system_linux.h"
#include "platform/path_codec.h"
#include "support/fake_font_system.h"
#include "support/font_builder.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class CFontPreviewTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  LinuxFileSystem disk;
  FakeFontSystem fonts;

  QString write(const FontBuilder& b, const QString& name = QStringLiteral("f.ttf")) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(b.writeTo(path));
    return path;
  }
  static FontBuilder arialBold() {
    return FontBuilder()
        .name(3, 0x409, 1, u"Arial")
        .name(3, 0x409, 2, u"Bold")
        .name(3, 0x409, 4, u"Arial Bold")
        .fsSelection(0x0020);
  }
  // Runs f and returns the runtime error number it threw, 0 when none.
  template <class F>
  static int errorOf(F&& f) {
    try {
      f();
    } catch (const RuntimeError& e) {
      return e.number;
    }
    return 0;
  }
};

TEST_F(CFontPreviewTest, ReadsEveryNameAndStyleBit) {
  const QString path = write(FontBuilder()
                                 .name(3, 0x409, 0, u"(c) Us")
                                 .name(3, 0x409, 1, u"Foo")
                                 .name(3, 0x409, 2, u"Bold Italic")
                                 .name(3, 0x409, 3, u"Foo-Unique")
                                 .name(3, 0x409, 4, u"Foo Bold Italic")
                                 .name(3, 0x409, 5, u"Version 1.0")
                                 .name(3, 0x409, 6, u"Foo-BoldItalic")
                                 .name(3, 0x409, 7, u"Foo is a mark")
                                 .fsSelection(0x0021));
  CFontPreview p(disk, fonts);
  EXPECT_FALSE(p.Broadcast());
  p.setFontFile(path);
  EXPECT_EQ(p.FontFile(), path);
  EXPECT_TRUE(p.ValidTrueTypeFile());
  EXPECT_EQ(p.Copyright(), "(c) Us");
  EXPECT_EQ(p.FamilyName(), "Foo");
  EXPECT_EQ(p.SubFamilyName(), "Bold Italic");
  EXPECT_EQ(p.UniqueIdentifier(), "Foo-Unique");
  EXPECT_EQ(p.FullName(), "Foo Bold Italic");
  EXPECT_EQ(p.VersionString(), "Version 1.0");
  EXPECT_EQ(p.PostscriptName(), "Foo-BoldItalic");
  EXPECT_EQ(p.Trademark(), "Foo is a mark");
  EXPECT_TRUE(p.Bold());
  EXPECT_TRUE(p.Italic());
  EXPECT_FALSE(p.Underlined());
  EXPECT_FALSE(p.StrikeOut());
}

TEST_F(CFontPreviewTest, StyleBitsComeFromFsSelectionOnly) {
  struct Case {
    std::optional<uint16_t> fs;
    bool bold, italic, underlined, strikeOut;
  } cases[] = {
      {0x0040, false, false, false, false},
      {0x0012, false, false, true, true},
      {0xFFCC, false, false, false, false},
      {std::nullopt, false, false, false, false},  // no OS/2 table
  };
  for (const auto& c : cases) {
    auto b = FontBuilder().name(3, 0x409, 4, u"X");
    if (c.fs) b.fsSelection(*c.fs);
    CFontPreview p(disk, fonts);
    p.setFontFile(write(b));
    EXPECT_EQ(p.Bold(), c.bold);
    EXPECT_EQ(p.Italic(), c.italic);
    EXPECT_EQ(p.Underlined(), c.underlined);
    EXPECT_EQ(p.StrikeOut(), c.strikeOut);
  }
}

TEST_F(CFontPreviewTest, NamesFollowTheSystemLocale) {
  const auto b = FontBuilder()
                     .name(1, 0, 1, u"Mac")
                     .name(3, 0x0407, 1, u"German")
                     .name(3, 0x0409, 1, u"English");
  const QString path = write(b);
  for (auto [locale, expected] : {std::pair{0x0409, "English"}, {0x0419, "English"}, {0x0407, "German"}}) {
    fonts.locale = locale;
    CFontPreview p(disk, fonts);
    p.setFontFile(path);
    EXPECT_EQ(p.FamilyName(), QString::fromLatin1(expected)) << locale;
  }
  CFontPreview mac(disk, fonts);
  mac.setFontFile(write(FontBuilder().name(1, 0, 1, u"Mac"), "mac.ttf"));
  EXPECT_EQ(mac.FamilyName(), "Mac");
}

TEST_F(CFontPreviewTest, ProbesFamilyThenFamilyAndStyleThenFullName) {
  CFontPreview p(disk, fonts);
  p.setFontFile(write(arialBold()));
  const QStringList once = {"Arial", "Arial Bold", "Arial Bold"};
  EXPECT_EQ(fonts.probes, once + once);  // before and after the preview load
  EXPECT_FALSE(p.Installed());
  EXPECT_EQ(fonts.loads, QStringList{p.FontFile()});
  // The load names the family the file's name table gives, so that family counts as known.
  EXPECT_EQ(fonts.loadFamilies.value(p.FontFile()), "Arial");
}

TEST_F(CFontPreviewTest, KnownFaceIsNeitherLoadedNorRemoved) {
  fonts.families = {"Arial Bold"};
  {
    CFontPreview p(disk, fonts);
    p.setFontFile(write(arialBold()));
    EXPECT_TRUE(p.Installed());
    EXPECT_EQ(p.FaceName(), "Arial Bold");
    EXPECT_EQ(fonts.probes, (QStringList{"Arial", "Arial Bold"}));
  }
  EXPECT_TRUE(fonts.loads.isEmpty());
  EXPECT_TRUE(fonts.unloads.isEmpty());
}

TEST_F(CFontPreviewTest, UnknownFaceIsPreviewedAndReleased) {
  const QString path = write(arialBold());
  fonts.familyOnLoad[path] = "Arial";
  {
    CFontPreview p(disk, fonts);
    p.setFontFile(path);
    EXPECT_FALSE(p.Installed());
    EXPECT_EQ(p.FaceName(), "Arial");
    EXPECT_EQ(fonts.outstandingLoads(), 1);
  }
  EXPECT_EQ(fonts.unloads, QStringList{path});
  EXPECT_EQ(fonts.outstandingLoads(), 0);
}

TEST_F(CFontPreviewTest, LoadedFileIsReleasedEvenWhenNoNameComesBack) {
  {
    CFontPreview p(disk, fonts);
    p.setFontFile(write(arialBold()));
    EXPECT_EQ(p.FaceName(), "");
    EXPECT_EQ(fonts.outstandingLoads(), 1);
  }
  EXPECT_EQ(fonts.outstandingLoads(), 0);
}

TEST_F(CFontPreviewTest, RefusedFileIsNotReleased) {
  fonts.acceptLoads = false;
  {
    CFontPreview p(disk, fonts);
    p.setFontFile(write(arialBold()));
    EXPECT_EQ(fonts.probes.size(), 6);  // the second probe still runs
  }
  EXPECT_TRUE(fonts.unloads.isEmpty());
}

TEST_F(CFontPreviewTest, SecondFileReleasesTheFirstPreview) {
  const QString first = write(arialBold(), "a.ttf");
  const QString second = write(FontBuilder().name(3, 0x409, 1, u"Other"), "b.ttf");
  fonts.familyOnLoad[first] = "Arial";
  CFontPreview p(disk, fonts);
  p.setFontFile(first);
  p.setFontFile(second);
  EXPECT_EQ(fonts.unloads, QStringList{first});
  EXPECT_EQ(p.FontFile(), second);
  EXPECT_EQ(p.FamilyName(), "Other");
}

TEST_F(CFontPreviewTest, NoNameRecordsFailsWithError9BeforeLoading) {
  struct Case {
    const char* what;
    FontBuilder font;
    bool valid;
  } cases[] = {
      {"empty name table", FontBuilder().fsSelection(0x21), true},
      {"no tables", FontBuilder().name(3, 0x409, 4, u"X").numTables(0), false},
      {"no magic", FontBuilder().name(3, 0x409, 4, u"X").magic(0x12345678), false},
      {"no head", FontBuilder().name(3, 0x409, 4, u"X").withoutHead(), false},
      {"no name table", FontBuilder().withoutName(), true},
      {"name past the end", FontBuilder().name(3, 0x409, 4, u"X").tableOffset("name", 0x7FFFFFFF), true},
      {"not a font", FontBuilder().truncate(5), false},
  };
  for (const auto& c : cases) {
    const QString path = write(c.font);
    CFontPreview p(disk, fonts);
    EXPECT_EQ(errorOf([&] { p.setFontFile(path); }), 9) << c.what;
    EXPECT_EQ(p.FontFile(), path) << c.what;
    EXPECT_EQ(p.ValidTrueTypeFile(), c.valid) << c.what;
    EXPECT_EQ(errorOf([&] { (void)p.FullName(); }), 9) << c.what;
    EXPECT_EQ(p.FaceName(), "");
  }
  EXPECT_TRUE(fonts.loads.isEmpty());
  EXPECT_TRUE(fonts.probes.isEmpty());
}

TEST_F(CFontPreviewTest, MissingPathsAndFoldersReadNothing) {
  CFontPreview p(disk, fonts);
  EXPECT_EQ(errorOf([&] { p.setFontFile(dir.path()); }), 0);
  EXPECT_EQ(errorOf([&] { p.setFontFile(dir.filePath("none.ttf")); }), 0);
  EXPECT_EQ(errorOf([&] { p.setFontFile(QString()); }), 0);
  EXPECT_EQ(p.FontFile(), "");
  EXPECT_EQ(errorOf([&] { (void)p.FamilyName(); }), 9);
  EXPECT_TRUE(fonts.loads.isEmpty());

  // A later path that does not exist keeps everything of the earlier file.
  p.setFontFile(write(arialBold()));
  p.setFontFile(dir.filePath("gone.ttf"));
  EXPECT_EQ(p.FullName(), "Arial Bold");
  EXPECT_TRUE(p.Bold());
}

TEST_F(CFontPreviewTest, TruncatedStringsKeepWhatWasRead) {
  CFontPreview p(disk, fonts);
  p.setFontFile(write(FontBuilder()
                          .name(3, 0x409, 4, u"Full")
                          .rawNameRecord(3, 0x409, 1, 0x100, 0xFF00)
                          .fsSelection(0x21)));
  EXPECT_EQ(p.FullName(), "Full");
  EXPECT_EQ(p.FamilyName(), "");
  EXPECT_FALSE(p.Bold());  // OS/2 lies after the failing name table
}

TEST_F(CFontPreviewTest, FileNamesThatAreNotUtf8AndSpecialFiles) {
  const std::string raw = pathToBytes(dir.path()) + "/caf\xE9 \xFF.ttf";
  const QString path = pathFromBytes(raw);
  ASSERT_TRUE(arialBold().writeTo(dir.filePath("tmp.ttf")));
  ASSERT_EQ(::rename(pathToBytes(dir.filePath("tmp.ttf")).c_str(), raw.c_str()), 0);
  CFontPreview p(disk, fonts);
  p.setFontFile(path);
  EXPECT_EQ(p.FullName(), "Arial Bold");
  ::unlink(raw.c_str());  // QTemporaryDir cannot spell this name when cleaning up

  // A FIFO is no font: reading it must neither block nor succeed.
  const QString fifo = dir.filePath("pipe.ttf");
  ASSERT_EQ(::mkfifo(pathToBytes(fifo).c_str(), 0600), 0);
  CFontPreview q(disk, fonts);
  EXPECT_EQ(errorOf([&] { q.setFontFile(fifo); }), 9);
}

}  // namespace
