// The folder scan and the file search on the real file system: links, odd names and a folder
// that an ordinary user may not read.
#include "fsys/add_folder.h"

#include "platform/linux/file_system_linux.h"
#include "platform/path_codec.h"
#include "support/fake_prompts.h"
#include "support/run_unprivileged.h"
#include "support/temp_tree.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class RealTree : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(tree_.valid()); }
  std::string path(const std::string& relative) const { return tree_.path(relative); }
  QString q(const std::string& relative) const { return tree_.q(relative); }
  void folder(const std::string& relative) { ASSERT_TRUE(tree_.folder(relative)) << relative; }
  void file(const std::string& relative) { ASSERT_TRUE(tree_.file(relative)) << relative; }
  void symlinkTo(const std::string& target, const std::string& relative) {
    ASSERT_TRUE(tree_.link(target, relative)) << relative;
  }

  // Scans from the given folder and returns every font found, as paths relative to the tree.
  QStringList fontsBelow(const std::string& start, QStringList* folders = nullptr) {
    QStringList collection = {q(start)};
    GetSubDirectories2016(services_, collection, true);
    if (folders) *folders = collection;
    QStringList fonts;
    for (const QString& f : collection) {
      const FileNameArray names = GetFilesInFolder(fs_, f, "*.ttf");
      for (int i = 1; i <= names.ubound(); ++i) fonts << (f + names.at(i)).mid(q("").size());
    }
    fonts.sort();
    return fonts;
  }

  TempTree tree_;
  LinuxFileSystem fs_;
  FakeYielder yielder_;
  FakePrompts prompts_;
  ScanServices services_{fs_, yielder_, prompts_};
};

TEST_F(RealTree, LinkLoopsEndAndListEachFontOnce) {
  folder("R");
  folder("R/A");
  folder("R/B");
  folder("X");
  file("R/a.ttf");
  file("R/A/b.ttf");
  file("X/x.ttf");
  symlinkTo(path("R"), "R/A/loop");
  symlinkTo("..", "R/A/up");
  symlinkTo(path("X"), "R/B/out");
  symlinkTo("../../X", "R/B/again");
  QStringList folders;
  QStringList fonts = fontsBelow("R/", &folders);
  // Which of the two links to X is met first is up to the file system's order.
  const QString viaLink = fonts.filter("/x.ttf").value(0);
  EXPECT_TRUE(viaLink == "R/B/out/x.ttf" || viaLink == "R/B/again/x.ttf") << viaLink.toStdString();
  EXPECT_EQ(fonts, QStringList({"R/A/b.ttf", viaLink, "R/a.ttf"}));
  EXPECT_EQ(folders.size(), 4) << folders.join(" ").toStdString();
  EXPECT_TRUE(prompts_.boxes.empty());
}

TEST_F(RealTree, OddNamesPassThroughUnchanged) {
  folder("F");
  folder("F/my fonts");
  folder("F/\xff\xfe-dir");  // bytes that are not UTF-8: walked like any folder
  folder("F/\xe2\x84\xa2-dir");  // U+2122, Windows-1252 0x99: skipped
  const std::vector<std::string> names = {"\xff\xfe.ttf", "with blank.ttf", "quote\"'.ttf",
                                          "new\nline.ttf", "~lock.ttf", "\xc3\xa9t\xc3\xa9.TTF"};
  for (const auto& n : names) file("F/my fonts/" + n);
  file("F/\xff\xfe-dir/caf\xe9.ttf");
  file("F/\xe2\x84\xa2-dir/hidden.ttf");

  QStringList expected = {pathFromBytes("F/\xff\xfe-dir/caf\xe9.ttf")};
  for (const auto& n : names) expected << pathFromBytes("F/my fonts/" + n);
  expected.sort();
  const QStringList found = fontsBelow("F/");
  EXPECT_EQ(found, expected);
  for (const QString& f : found) {
    struct stat st;
    EXPECT_EQ(stat(pathToBytes(q("") + f).c_str(), &st), 0) << pathToBytes(f);
  }
}

TEST_F(RealTree, LeavesOutWhatCannotBeOpened) {
  folder("F");
  folder("F/folder.ttf");
  file("F/good.ttf");
  ASSERT_EQ(mkfifo(path("F/pipe.ttf").c_str(), 0644), 0);  // opening it must not hang the scan
  symlinkTo(path("F/gone.ttf"), "F/dangling.ttf");
  const FileNameArray a = GetFilesInFolder(fs_, q("F"), "*.ttf");
  EXPECT_EQ(a.names(), std::vector<QString>({"good.ttf"}));
}

TEST_F(RealTree, AnOrdinaryUserLosesTheFoldersItMayNotRead) {
  folder("R");
  folder("R/open");
  folder("R/open/deep");
  folder("R/locked");
  folder("R/locked/inside");
  folder("R/closed");
  file("R/open/a.ttf");
  file("R/locked/b.ttf");
  chmod(path("R/locked").c_str(), 0700);
  chmod(path("R/closed").c_str(), 0);
  const QString root = q("R/");
  const auto result = runUnprivileged([&] {
    LinuxFileSystem fs;
    FakeYielder yielder;
    FakePrompts prompts;
    ScanServices services{fs, yielder, prompts};
    QStringList collection = {root};
    GetSubDirectories2016(services, collection, true);
    QStringList fonts;
    for (const QString& f : collection) {
      const FileNameArray names = GetFilesInFolder(fs, f, "*.ttf");
      for (int i = 1; i <= names.ubound(); ++i) fonts << f.mid(root.size()) + names.at(i);
    }
    return (collection.join("|").replace(root, "R/") + "#" + fonts.join("|") + "#" +
            QString::number(prompts.boxes.size()))
        .toStdString();
  });
  if (!result) GTEST_SKIP() << "cannot run as an ordinary user here";
  EXPECT_EQ(*result, "R/|R/open/|R/open/deep/#open/a.ttf#0");
}

}  // namespace
