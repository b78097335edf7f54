// typorama --install and --remove end to end, against a private fontconfig setup, checked with
// fontconfig's own fc-list and with typorama --list.
#include "support/private_fonts.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <optional>

namespace {

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFile::exists(typoramaProgram())) GTEST_SKIP() << "no typorama program at " << typoramaProgram().toStdString();
    if (QStandardPaths::findExecutable("fc-list").isEmpty()) GTEST_SKIP() << "fc-list is missing";
    if (!QFile::exists(kSans)) GTEST_SKIP() << "DejaVu fonts are not installed";
    ASSERT_TRUE(tree.valid());
    ASSERT_TRUE(tree.folder("data") && tree.folder("in"));
    fonts = tree.q("data/fonts/");
    setup.emplace(tree, "data/fonts");
    ASSERT_TRUE(setup->ok());
  }

  ProgramOutcome typorama(const QStringList& args) { return setup->typorama(args); }
  QString fcList() { return setup->run("fc-list", {":", "file"}).out; }
  QStringList folderEntries() {
    return QDir(fonts).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  }

  const QString kSans = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
  TempTree tree;
  QString fonts;
  std::optional<PrivateFonts> setup;
};

TEST_F(CommandLineTest, InstallThenRemoveIsSeenByFontconfigAndTheCatalogue) {
  const QString target = fonts + "DejaVuSans.ttf";
  ProgramOutcome r = typorama({"--install", kSans});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, "Installed " + target + "\n");
  EXPECT_TRUE(fcList().contains(target));
  r = typorama({"--list"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "1\tDejaVu Sans\t0\t0\t0\t0\t" + target + "\n");

  // A path outside the catalogue is refused, even when its name is a known font's.
  r = typorama({"--remove", kSans, tree.q("in/DejaVuSans.ttf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.count("not a font file of the catalogue"), 2) << r.err.toStdString();
  EXPECT_TRUE(QFile::exists(kSans));

  r = typorama({"--remove", target});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, "Removed " + target + "\n");
  EXPECT_FALSE(fcList().contains(target));
  r = typorama({"--list"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(folderEntries().isEmpty());
}

TEST_F(CommandLineTest, BadFilesAreRefusedOneByOneAndLeaveNothing) {
  QFile text(tree.q("in/notes.ttf"));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("not a font\n");
  text.close();
  QDir(tree.q("")).mkdir("data/fonts");

  const ProgramOutcome r = typorama({"--install", tree.q("in/notes.ttf"), tree.q("in/missing.ttf"), kSans});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Installed " + fonts + "DejaVuSans.ttf\n") << "the good file is still installed";
  EXPECT_TRUE(r.err.contains(tree.q("in/notes.ttf") + ": not a usable font file")) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains(tree.q("in/missing.ttf") + ": File not found")) << r.err.toStdString();
  EXPECT_EQ(folderEntries(), QStringList{"DejaVuSans.ttf"});
  EXPECT_FALSE(fcList().contains("notes"));

  EXPECT_EQ(typorama({"--install"}).status, 2);
  EXPECT_EQ(typorama({"--remove"}).status, 2);
}

TEST_F(CommandLineTest, InstallRefusesNamesTheCatalogueNeverListsAndFontsCutShort) {
  QFile sans(kSans);
  ASSERT_TRUE(sans.open(QIODevice::ReadOnly));
  const QByteArray font = sans.readAll();
  QStringList files;
  for (const auto& [name, bytes] : {std::pair{"noext", font}, {".hidden.ttf", font}, {"~Temp.ttf", font},
                                    {"Cut.ttf", font.chopped(3)}}) {
    QFile f(tree.q("in/") + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    files << f.fileName();
  }
  const ProgramOutcome r = typorama(QStringList{"--install"} + files);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.count("the catalogue lists only .ttf files"), 3) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("Cut.ttf: not a usable font file")) << r.err.toStdString();  // fontconfig takes it
  EXPECT_TRUE(folderEntries().isEmpty());
}

TEST_F(CommandLineTest, AllFormatsInstallsListsAndRemovesEveryFaceOfACollection) {
  const QString in = tree.q("in/Two.ttc"), target = fonts + "Two.ttc";
  ASSERT_EQ(makeOpenTypeFonts({"collection", in, kSans, "Q", "Regular", "Q", "cff:" + kSans, "Q", "Bold", "Q Bold"}),
            "");
  EXPECT_TRUE(typorama({"--install", in}).err.contains("the catalogue lists only .ttf files"));
  QFile whole(in), cut(tree.q("in/Cut.ttc"));  // a face whose table runs past the end is refused
  ASSERT_TRUE(whole.open(QIODevice::ReadOnly) && cut.open(QIODevice::WriteOnly));
  ASSERT_GT(cut.write(whole.readAll().chopped(3)), 0);
  cut.close();
  EXPECT_TRUE(typorama({"--install", "--all-formats", cut.fileName()}).err.contains("not a usable font file"));
  EXPECT_EQ(typorama({"--install", "--all-formats", in}).out, "Installed " + target + "\n");
  EXPECT_EQ(setup->run("fc-list", {":", "file", "index"}).out.count(target), 2);
  EXPECT_EQ(typorama({"--list", "--all-formats"}).out.count("\t" + target + "\t"), 2);
  EXPECT_EQ(typorama({"--remove", target}).status, 1) << "no file of the catalogue without the option";
  EXPECT_EQ(typorama({"--remove", target, "--all-formats"}).out, "Removed " + target + "\n");
  EXPECT_FALSE(fcList().contains(target));
}

}  // namespace
