// The Linux file system layer: attribute mapping, listings, openability, identities, reading,
// folder creation and the checked copy, on the real disk.
#include "platform/linux/file_system_linux.h"

#include "ops/font_operations.h"
#include "core/runtime_error.h"
#include "platform/path_codec.h"
#include "platform/program_identity.h"
#include "support/font_folder_fixture.h"
#include "support/run_unprivileged.h"
#include "support/temp_tree.h"

#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class LinuxFs : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(tree_.valid()); }
  std::string path(const std::string& relative) const { return tree_.path(relative); }
  QString q(const std::string& relative) const { return tree_.q(relative); }
  void folder(const std::string& relative, mode_t mode = 0755) {
    ASSERT_TRUE(tree_.folder(relative, mode)) << relative;
  }
  void file(const std::string& relative, mode_t mode = 0644) {
    ASSERT_TRUE(tree_.file(relative, mode)) << relative;
  }
  static std::vector<QString> sorted(std::vector<QString> v) {
    std::sort(v.begin(), v.end());
    return v;
  }

  TempTree tree_;
  LinuxFileSystem fs_;
};

TEST_F(LinuxFs, MapsModesToWindowsAttributes) {
  folder("dir");
  folder(".hidden");
  folder("ro", 0555);
  file("plain.ttf");
  file(".dot.ttf");
  file("ro.ttf", 0444);
  ASSERT_EQ(symlink(path("dir").c_str(), path("dirlink").c_str()), 0);
  ASSERT_EQ(symlink(path("plain.ttf").c_str(), path("filelink").c_str()), 0);
  ASSERT_EQ(symlink(path("nowhere").c_str(), path("dangling").c_str()), 0);

  EXPECT_EQ(fs_.attributes(q("dir")), 16u);
  EXPECT_EQ(fs_.attributes(q("dir/")), 16u);
  EXPECT_EQ(fs_.attributes(q(".hidden/")), 18u);
  EXPECT_EQ(fs_.attributes(q("ro")), 17u);
  EXPECT_EQ(fs_.attributes(q("plain.ttf")), 0u);
  EXPECT_EQ(fs_.attributes(q(".dot.ttf")), 2u);
  EXPECT_EQ(fs_.attributes(q("ro.ttf")), 1u);
  // A link is a reparse point, also when named with a final "/".
  EXPECT_EQ(fs_.attributes(q("dirlink")), 1040u);
  EXPECT_EQ(fs_.attributes(q("dirlink/")), 1040u);
  EXPECT_EQ(fs_.attributes(q("filelink")), 1024u);
  EXPECT_EQ(fs_.attributes(q("dangling")), 1024u);
  EXPECT_EQ(fs_.attributes(q("missing")), std::nullopt);
  EXPECT_EQ(fs_.attributes(""), std::nullopt);
  ASSERT_TRUE(fs_.attributes("/").has_value());
  EXPECT_TRUE(*fs_.attributes("/") & 16u);
  EXPECT_FALSE(*fs_.attributes("/") & 4u);

  EXPECT_TRUE(fs_.isRootFolder("/"));
  EXPECT_FALSE(fs_.isRootFolder(q("dir/")));
  EXPECT_FALSE(fs_.isRootFolder(""));
}

TEST_F(LinuxFs, ListsSubFoldersAndFilesSeparately) {
  folder("d");
  folder("d/sub");
  folder("d/.hid");
  folder("other");
  file("d/a.ttf");
  file("d/\xff.ttf");
  ASSERT_EQ(symlink(path("other").c_str(), path("d/tolink").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", path("d/dangling").c_str()), 0);

  std::vector<QString> subs, files;
  EXPECT_EQ(fs_.listSubFolders(q("d/"), subs), 0);
  EXPECT_EQ(sorted(subs), std::vector<QString>({".hid", "sub", "tolink"}));
  EXPECT_TRUE(fs_.listFiles(q("d"), files));
  EXPECT_EQ(sorted(files), sorted({"a.ttf", pathFromBytes("\xff.ttf"), "dangling"}));
  EXPECT_EQ(pathToBytes(*std::find(files.begin(), files.end(), pathFromBytes("\xff.ttf"))), "\xff.ttf");

  std::vector<QString> none;
  EXPECT_EQ(fs_.listSubFolders(q("missing/"), none), 76);
  EXPECT_EQ(fs_.listSubFolders(q("d/a.ttf/"), none), 76);
  EXPECT_FALSE(fs_.listFiles(q("missing/"), none));
  EXPECT_TRUE(none.empty());
}

TEST_F(LinuxFs, OneListingTellsEachSubFoldersAttributesAndIdentity) {
  folder("d");
  folder("d/sub");
  folder("d/.hid");
  folder("other", 0555);
  file("d/a.ttf");
  ASSERT_EQ(symlink(path("other").c_str(), path("d/tolink").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", path("d/dangling").c_str()), 0);
  std::vector<SubFolder> subs;
  std::vector<FileEntry> files;
  std::optional<Identity> own;
  ASSERT_EQ(fs_.listFolder(q("d/"), subs, &files, &own), 0);
  EXPECT_EQ(own, fs_.identity(q("d")));
  // Without the read-only bit (the link's target is read-only); the identity is the stat's.
  const std::map<QString, uint32_t> expected = {{".hid", 18}, {"sub", 16}, {"tolink", 1040}};
  ASSERT_EQ(subs.size(), expected.size());
  for (const SubFolder& sub : subs) {
    struct stat st;
    ASSERT_EQ(stat(pathToBytes(q("d/") + sub.name).c_str(), &st), 0);
    EXPECT_EQ(sub.attributes, expected.at(sub.name)) << sub.name.toStdString();
    EXPECT_TRUE(sub.identity && sub.identity->device == st.st_dev && sub.identity->inode == st.st_ino)
        << sub.name.toStdString();
  }
  ASSERT_EQ(files.size(), 2u);
  for (const FileEntry& f : files)
    EXPECT_TRUE((f.name == "a.ttf" && f.regular) || (f.name == "dangling" && !f.regular)) << f.name.toStdString();
  EXPECT_EQ(fs_.attributes(q("d/tolink"), ~fileattr::ReadOnly), 1040u);
  EXPECT_EQ(fs_.attributes(q("d/tolink")), 1041u);
  EXPECT_EQ(fs_.listFolder(q("missing/"), subs, nullptr), 76);
}

// A folder held open tells its files' identities as stat does by their whole paths.
TEST_F(LinuxFs, AnOpenFolderIdentifiesItsFilesAsTheirPathsDo) {
  folder("d");
  folder("d/sub");
  file("d/a.ttf");
  file("d/b.ttf");
  const std::unique_ptr<OpenFolder> opened = fs_.openFolder(q("d"));
  struct stat st;
  ASSERT_TRUE(opened && stat(path("d/a.ttf").c_str(), &st) == 0);
  const std::optional<Identity> a = opened->identity("a.ttf");
  EXPECT_TRUE(a && a->inode == st.st_ino && a->changedNs == st.st_ctim.tv_sec * 1'000'000'000 + st.st_ctim.tv_nsec);
  EXPECT_EQ(opened->identity("sub"), fs_.identity(q("d/sub")));
  EXPECT_FALSE(opened->identity("missing") || fs_.openFolder(q("d/a.ttf")));
  ASSERT_EQ(rename(path("d/b.ttf").c_str(), path("d/a.ttf").c_str()), 0);  // replaced under its name
  EXPECT_EQ(opened->identity("a.ttf"), fs_.identity(q("d/a.ttf")));
  EXPECT_NE(opened->identity("a.ttf"), a);
}

TEST_F(LinuxFs, DeniesAnOrdinaryUserAFolderItMayNotRead) {
  folder("locked", 0700);
  folder("locked/in");
  const QString locked = q("locked/");
  const auto result = runUnprivileged([&] {
    LinuxFileSystem fs;
    std::vector<QString> names;
    return std::to_string(fs.listSubFolders(locked, names)) + " " + std::to_string(names.size());
  });
  if (!result) GTEST_SKIP() << "cannot run as an ordinary user here";
  EXPECT_EQ(*result, "70 0");
}

TEST_F(LinuxFs, OpensOnlyRegularFiles) {
  folder("d");
  file("f.ttf");
  ASSERT_EQ(mkfifo(path("fifo").c_str(), 0644), 0);
  ASSERT_EQ(symlink(path("f.ttf").c_str(), path("link.ttf").c_str()), 0);
  EXPECT_TRUE(fs_.canOpen(q("f.ttf")));
  EXPECT_TRUE(fs_.canOpen(q("link.ttf")));
  EXPECT_FALSE(fs_.canOpen(q("d")));
  EXPECT_FALSE(fs_.canOpen(q("fifo")));
  EXPECT_FALSE(fs_.canOpen(q("missing")));
  EXPECT_FALSE(fs_.canOpen(""));
}

TEST_F(LinuxFs, IdentifiesFoldersThroughLinks) {
  folder("a");
  folder("b");
  ASSERT_EQ(symlink(path("a").c_str(), path("l").c_str()), 0);
  ASSERT_TRUE(fs_.identity(q("a/")).has_value());
  EXPECT_EQ(fs_.identity(q("l/")), fs_.identity(q("a")));
  EXPECT_NE(fs_.identity(q("b")), fs_.identity(q("a")));
  EXPECT_EQ(fs_.identity(q("missing")), std::nullopt);
}

// The stamp is the file system's own time: what changed before it is older, what changes after
// it is not, and a kept listing serves only while its folder is unchanged and settled before it.
TEST_F(LinuxFs, StampsWithTheFileSystemsOwnTimeAndKeepsOnlySettledListings) {
  folder("d");
  file("d/a.ttf");
  const std::optional<TimeStamp> stamp = fs_.timeStamp(q(""));
  ASSERT_TRUE(stamp);
  file("d/b.ttf");
  const std::optional<Identity> before = fs_.identity(q("d/a.ttf")), after = fs_.identity(q("d/b.ttf"));
  ASSERT_TRUE(before && after);
  EXPECT_EQ(stamp->device, before->device);
  EXPECT_TRUE(before->changedNs <= stamp->ns && after->changedNs >= stamp->ns);
  EXPECT_FALSE(isSettled(*after, *stamp));
  EXPECT_FALSE(fs_.timeStamp(q("missing/")));
  const auto names = [&] {
    std::vector<SubFolder> subs;
    std::vector<FileEntry> files;
    fs_.listFolder(q("d/"), subs, &files);
    QStringList out;
    for (const FileEntry& f : files) out.append(f.name);
    out.sort();
    return out.join(' ');
  };
  // Listed while it changed on the stamp's tick or later: not kept, so a change made within the
  // same tick still shows.
  fs_.keepListings(stamp);
  EXPECT_EQ(names(), "a.ttf b.ttf");
  const std::optional<TimeStamp> later = fs_.timeStamp(q(""));
  fs_.keepListings(later);
  EXPECT_EQ(names(), "a.ttf b.ttf");
  file("d/c.ttf");
  EXPECT_EQ(names(), "a.ttf b.ttf c.ttf");
  fs_.keepListings(std::nullopt);
}

TEST_F(LinuxFs, ReadsTimesAndRemovesFiles) {
  file("f.ttf");
  folder("d");
  struct timespec times[2] = {{1'500'000'000, 0}, {1'600'000'000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path("f.ttf").c_str(), times, 0), 0);
  EXPECT_EQ(fs_.lastModified(q("f.ttf")), 1'600'000'000);
  EXPECT_EQ(fs_.lastModified(q("missing")), std::nullopt);
  EXPECT_TRUE(fs_.removeFile(q("f.ttf")));
  EXPECT_FALSE(fs_.removeFile(q("f.ttf")));
  EXPECT_FALSE(fs_.removeFile(q("d")));
  EXPECT_FALSE(fs_.removeFile(""));
}

// Names that are not UTF-8 are kept byte for byte; FIFOs, folders and link loops never open.
TEST_F(LinuxFs, ReadsFilesAndMakesFoldersUnderAnyName) {
  const std::string odd = "caf\xe9";  // Latin-1, no UTF-8
  ASSERT_EQ(mkfifo(path("fifo").c_str(), 0644), 0);
  ASSERT_EQ(symlink(path("loop").c_str(), path("loop").c_str()), 0);
  ASSERT_TRUE(fs_.createFolderPath(q(odd + "/deep/er/")).ok());
  const int fd = ::open(path(odd + "/deep/er/" + odd + ".ttf").c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "abcdef", 6), 6);
  ::close(fd);
  const auto file = fs_.openForReading(q(odd + "/deep/er/" + odd + ".ttf"));
  ASSERT_TRUE(file);
  char out[8] = {};
  EXPECT_EQ(file->size(), 6u);
  EXPECT_EQ(file->readAt(2, out, 8), 4);
  EXPECT_STREQ(out, "cdef");
  EXPECT_EQ(file->readAt(6, out, 1), 0);
  for (const char* refused : {"fifo", "loop", "missing", ""}) EXPECT_FALSE(fs_.openForReading(q(refused))) << refused;
  EXPECT_FALSE(fs_.openForReading(q(odd)));  // a folder
  // A file in the way of a folder; a loop as the source of a copy.
  EXPECT_EQ(fs_.createFolderPath(q(odd + "/deep/er/" + odd + ".ttf/sub")).error, ENOTDIR);
  const CheckedCopy copy = fs_.copyFileChecked(q("loop"), q(odd + "/x.ttf"), nullptr);
  EXPECT_EQ(copy.status.error, ELOOP);
  EXPECT_TRUE(copy.sourceFailed);
  EXPECT_FALSE(fs_.lastModified(q(odd + "/x.ttf")));
}

TEST_F(LinuxFs, AnOrdinaryUserCannotMakeFoldersOrCopiesInAFolderItMayNotWrite) {
  folder("root-owned");
  file("f.ttf");
  const QString in = q("root-owned/new/"), source = q("f.ttf"), target = q("root-owned/f.ttf");
  const auto result = runUnprivileged([&] {
    LinuxFileSystem fs;
    return std::to_string(fs.createFolderPath(in).error) + " " +
           std::to_string(fs.copyFileChecked(source, target, nullptr).status.error);
  });
  if (!result) GTEST_SKIP() << "cannot run as an ordinary user here";
  EXPECT_EQ(*result, std::to_string(EACCES) + " " + std::to_string(EACCES));
}

// Add Font into a fonts folder owned by root (the fixture makes it 0755).
TEST_F(FontFolderTest, FontsFolderNotWritableForAnOrdinaryUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to switch to an ordinary user";
  const QString source = place("DejaVuSans.ttf", "in/DejaVuSans.ttf");
  const auto outcome = runUnprivileged([&]() -> std::string {
    try {
      copyFontToFontsFolder(app.fs, app.fonts, source, FontFormats::TrueType);
      return "copied";
    } catch (const RuntimeError& e) {
      return std::to_string(e.number);
    }
  });
  if (!outcome) GTEST_SKIP() << "cannot switch to an ordinary user";
  EXPECT_EQ(*outcome, "70");
  EXPECT_TRUE(fontsFolderEntries().isEmpty());
}

}  // namespace

// The build a cache is keyed on is the one the linker wrote into the program.
TEST(ProgramIdentity, TheBuildIsTheLinkersBuildId) {
  QProcess readelf;
  readelf.start("readelf", {"-n", QStringLiteral("/proc/%1/exe").arg(getpid())});
  if (!readelf.waitForFinished(30000)) GTEST_SKIP() << "no readelf";
  const QRegularExpressionMatch id =
      QRegularExpression("Build ID: ([0-9a-f]+)").match(QString::fromUtf8(readelf.readAllStandardOutput()));
  ASSERT_TRUE(id.hasMatch());
  EXPECT_EQ(programBuild(), id.captured(1).toUtf8());
  EXPECT_TRUE(readerCredentials().startsWith(QByteArray::number(geteuid()) + ':'));
}
