// The folder scan and the file search, on the in-memory file system.
#include "fsys/add_folder.h"

#include "core/runtime_error.h"
#include "platform/path_codec.h"
#include "support/fake_file_system.h"
#include "support/fake_prompts.h"

#include <gtest/gtest.h>
#include <set>

#include <random>

namespace {

struct Scan {
  FakeFileSystem fs;
  FakeYielder yielder;
  FakePrompts prompts;
  ScanServices services{fs, yielder, prompts};

  QStringList run(QStringList collection, bool recurse = true) {
    GetSubDirectories2016(services, collection, recurse);
    return collection;
  }
};

QString repeated(QChar c, int n) { return QString(n, c); }

TEST(GetSubDirectories2016, AddsLevelsBreadthFirstGroupedByParent) {
  Scan s;
  s.fs.addFolder("/r/A/A1");
  s.fs.addFolder("/r/B");
  s.fs.addFile("/r/a.ttf");
  EXPECT_EQ(s.run({"/r/"}), QStringList({"/r/", "/r/A/", "/r/B/", "/r/A/A1/"}));
  // Once per folder before listing it, once per sub-folder listed, once per folder handed
  // back at each level: 3 + 3 + 1 before, 4 at the end of the levels.
  EXPECT_EQ(s.yielder.count, 11);
  EXPECT_TRUE(s.prompts.boxes.empty());

  EXPECT_EQ(s.run({"/r/"}, false), QStringList({"/r/", "/r/A/", "/r/B/"}));
}

TEST(GetSubDirectories2016, LeavesAFolderWithoutSubFoldersAndNonFoldersAsTheyAre) {
  Scan s;
  s.fs.addFile("/fonts/a.ttf");
  s.fs.addFile("/file.ttf");
  EXPECT_EQ(s.run({"/fonts/"}), QStringList({"/fonts/"}));
  EXPECT_EQ(s.run({"/missing/", "/file.ttf", ""}), QStringList({"/missing/", "/file.ttf", ""}));
  EXPECT_EQ(s.fs.subFolderListings.size(), 1u);  // only /fonts/ was listed
}

TEST(GetSubDirectories2016, RemovesFoldersWhoseListingIsDeniedOrMissingAndGoesOn) {
  Scan s;
  s.fs.addFolder("/r/A/A1");
  s.fs.addFolder("/r/B/B1");
  s.fs.addFolder("/r/C/C1");
  s.fs.failListing("/r/A/", 70);
  s.fs.failListing("/r/B/", 76);
  EXPECT_EQ(s.run({"/r/"}), QStringList({"/r/", "/r/C/", "/r/C/C1/"}));
  EXPECT_TRUE(s.prompts.boxes.empty());

  // A failing entry of the caller's collection goes too; the entry after it is still walked.
  Scan t;
  t.fs.addFolder("/p");
  t.fs.addFolder("/q/Q1");
  t.fs.failListing("/p/", 70);
  EXPECT_EQ(t.run({"/p/", "/q/"}), QStringList({"/q/", "/q/Q1/"}));

  // The first equal entry is removed each time, so both copies go and nothing is skipped.
  EXPECT_EQ(t.run({"/p/", "/p/", "/q/"}), QStringList({"/q/", "/q/Q1/"}));
}

TEST(GetSubDirectories2016, KeepsSubFoldersFoundBeforeAListingFailed) {
  Scan s;
  s.fs.addFolder("/r/A/A1");
  s.fs.addFolder("/r/A/A2");
  s.fs.failListing("/r/A/", 70, 1);
  EXPECT_EQ(s.run({"/r/"}), QStringList({"/r/", "/r/A/A1/"}));

  // Any other failure ends the listing but removes nothing.
  Scan t;
  t.fs.addFolder("/r/A/A1");
  t.fs.failListing("/r/A/", 75);
  EXPECT_EQ(t.run({"/r/"}), QStringList({"/r/", "/r/A/"}));
}

TEST(GetSubDirectories2016, KeepsButDoesNotListPathsOf260CharactersOrMore) {
  Scan s;
  const QString longName = repeated('n', 255);  // "/r/" + name + "/" = 259 characters
  const QString longer = repeated('m', 256);    // 260 characters
  s.fs.addFolder("/r/" + longName + "/x");
  s.fs.addFolder("/r/" + longer + "/y");
  s.fs.addFolder("/r/" + repeated('k', 260));  // the name alone is too long: skipped
  EXPECT_EQ(s.run({"/r/"}), QStringList({"/r/", "/r/" + longName + "/", "/r/" + longer + "/",
                                         "/r/" + longName + "/x/"}));
  EXPECT_EQ(s.fs.subFolderListings.count("/r/" + longer + "/"), 0u);
}

TEST(GetSubDirectories2016, SkipsFoldersWithNamesOutsideWindows1252OrWithControlCodes) {
  Scan s;
  const QStringList bad = {QString("tab\t"), QString("del") + QChar(0x7F), QString("c1") + QChar(0x85),
                           QString("euro") + QChar(0x20AC), QString("dash") + QChar(0x2013),
                           QString("x?y"), QString("cyr") + QChar(0x0416)};
  const QStringList good = {QString("raw") + QChar(0xDCFF),  // a byte that is not UTF-8
                            QString("caf") + QChar(0xE9), QString("~tmp"), QString("a b"),
                            QString("it's"), QString("y") + QChar(0xFF)};
  for (const QString& name : bad + good) s.fs.addFolder("/r/" + name);
  QStringList expected = {"/r/"};
  for (const QString& name : good) expected << "/r/" + name + "/";
  EXPECT_EQ(s.run({"/r/"}), expected);
}

TEST(GetSubDirectories2016, ComparesTheHiddenSystemAttributeAsAWholeValue) {
  Scan s;
  s.fs.addFolder("/r/sys22/x");
  s.fs.addFolder("/r/link1046/x");
  s.fs.addFolder("/r/hidden18/x");
  s.fs.addFolder("/r/readonly23/x");
  s.fs.setAttributes("/r/sys22", 22);
  s.fs.setAttributes("/r/link1046", 1046);
  s.fs.setAttributes("/r/hidden18", 18);
  s.fs.setAttributes("/r/readonly23", 23);
  EXPECT_EQ(s.run({"/r/"}), QStringList({"/r/", "/r/hidden18/", "/r/readonly23/",
                                         "/r/hidden18/x/", "/r/readonly23/x/"}));
  EXPECT_EQ(s.fs.subFolderListings.count("/r/sys22/"), 0u);

  // A root folder is listed whatever its attributes say.
  Scan t;
  t.fs.addFolder("/d/x");
  t.fs.setRootFolder("/d");
  t.fs.setAttributes("/d", 22);
  EXPECT_EQ(t.run({"/d/"}), QStringList({"/d/", "/d/x/"}));
}

TEST(GetSubDirectories2016, FollowsEachFolderOnceWhateverTheLinks) {
  Scan s;
  s.fs.addFolder("/r/A/A1");
  s.fs.addFolder("/r/B");
  s.fs.addFolder("/x/X1");
  s.fs.link("/r/A/loop", "/r");        // back to the root: never followed
  s.fs.link("/r/A/A1/up", "/r/A");     // back to a parent
  s.fs.link("/r/B/out", "/x");         // outside the tree: followed once
  s.fs.link("/r/B/out2", "/x");
  s.fs.link("/r/B/sideways", "/r/A");  // to a sibling already collected
  EXPECT_EQ(s.run({"/r/"}), QStringList({"/r/", "/r/A/", "/r/B/", "/r/A/A1/", "/r/B/out/",
                                         "/r/B/out/X1/"}));
  for (const auto& [folder, times] : s.fs.subFolderListings) EXPECT_EQ(times, 1) << folder.toStdString();

  // A second root inside the first is not collected again below the first.
  Scan t;
  t.fs.addFolder("/r/A/A1");
  EXPECT_EQ(t.run({"/r/", "/r/A/"}), QStringList({"/r/", "/r/A/", "/r/A/A1/"}));
}

TEST(GetSubDirectories2016, ReportsAnUnexpectedFailureAndCarriesOn) {
  Scan s;
  s.fs.addFolder("/r/A/A1");
  s.fs.addFolder("/r/B/B1");
  s.fs.beforeCall = [](const QString& call, const QString& path) {
    if (call == "listSubFolders" && path == "/r/A/") throw errors::subscriptOutOfRange();
  };
  EXPECT_EQ(s.run({"/r/"}), QStringList({"/r/", "/r/A/", "/r/B/", "/r/B/B1/"}));
  ASSERT_EQ(s.prompts.boxes.size(), 1u);
  EXPECT_EQ(s.prompts.boxes[0].title, "Application Error");
  EXPECT_EQ(s.prompts.boxes[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(s.prompts.boxes[0].icon, MsgIcon::Exclamation);
  EXPECT_TRUE(s.prompts.boxes[0].text.startsWith(
      "Subscript out of range\r\nin OrvandelTitle2021/08/31.AddFolder.GetSubDirectories2016 at line "
      "110\r\rPlease email screenshot of this message to "))
      << s.prompts.boxes[0].text.toStdString();
}

TEST(GetMatchingFiles, TakesTheFilesOfEachFolderTheScanListedInFull) {
  Scan s;
  s.fs.addFile("/r/a.ttf");
  s.fs.addFile("/r/A/b.ttf");
  s.fs.addFile("/r/A/notes.txt");
  s.fs.addFile("/r/B/c.ttf");
  s.fs.failListing("/r/B/", 75);  // kept in the collection, but not listed in full
  Listings listed;
  s.services.listings = &listed;
  const QStringList folders = s.run({"/r/"});
  ASSERT_EQ(folders, QStringList({"/r/", "/r/A/", "/r/B/"}));
  std::vector<QString> listedAgain;
  s.fs.beforeCall = [&](const QString& call, const QString& path) {
    if (call == "listFiles") listedAgain.push_back(path);
  };
  const std::vector<QString> expected[] = {{"a.ttf"}, {"b.ttf"}, {}};
  for (qsizetype i = 0; i < folders.size(); ++i) {
    std::vector<QString> names;
    for (const FileEntry& e : GetMatchingFiles(s.fs, folders[i], "*.ttf", &listed)) names.push_back(e.name);
    EXPECT_EQ(names, expected[i]) << folders[i].toStdString();
  }
  EXPECT_EQ(listedAgain, std::vector<QString>({"/r/B/"}));
  EXPECT_TRUE(listed.isEmpty());  // each listing is handed over once
}

// What keeps a list while nothing changed must know every folder whose entries were read, for
// whatever reason: listed by the scan, refused, or too deep for the scan and listed by the search.
TEST(ScanTrace, HoldsEveryFolderWhoseEntriesWereRead) {
  Scan s;
  const QString deep = "/r/" + QString(130, QLatin1Char('d')) + "/" + QString(130, QLatin1Char('e')) + "/";
  s.fs.addFile("/r/a.ttf");
  s.fs.addFile("/r/A/b.ttf");
  s.fs.addFile(deep + "c.ttf");
  s.fs.addFile(deep + "below/e.ttf");  // never reached: a folder that deep is not walked
  s.fs.addFile("/r/B/d.ttf");
  s.fs.failListing("/r/B/", 70);
  std::set<QString> read;
  s.fs.beforeCall = [&](const QString& call, const QString& path) {
    if (call == "listSubFolders" || call == "listFiles") read.insert(path.endsWith('/') ? path : path + '/');
  };
  ScanTrace trace;
  Listings listings;
  s.services.listings = &listings;
  s.services.trace = &trace;
  const QStringList folders = s.run({"/r/"});
  for (const QString& folder : folders) GetMatchingFiles(s.fs, folder, "*.ttf", &listings, &trace);
  std::set<QString> traced;
  for (const auto& [folder, identity] : trace.folders) {
    traced.insert(folder);
    EXPECT_EQ(identity, s.fs.identity(folder)) << folder.toStdString();
  }
  EXPECT_TRUE(read.count(deep)) << "the deep folder's files were listed";
  for (const QString& folder : read) EXPECT_TRUE(traced.count(folder)) << folder.toStdString();
}

TEST(HasInvalidNameChar, UsesTheWindows1252CodeOfEachCharacter) {
  EXPECT_FALSE(HasInvalidNameChar(""));
  EXPECT_FALSE(HasInvalidNameChar(" !~Az09"));
  EXPECT_FALSE(HasInvalidNameChar(QString(QChar(0xA0)) + QChar(0xE9) + QChar(0xFF)));
  EXPECT_TRUE(HasInvalidNameChar(QString(QChar(0x1F))));
  EXPECT_TRUE(HasInvalidNameChar("a?"));
  EXPECT_TRUE(HasInvalidNameChar(QString(QChar(0x7F))));
  EXPECT_TRUE(HasInvalidNameChar(QString(QChar(0x9F))));     // an undefined code: itself
  EXPECT_TRUE(HasInvalidNameChar(QString(QChar(0x0178))));   // Windows-1252 0x9F
  EXPECT_TRUE(HasInvalidNameChar(QString(QChar(0x2122))));   // 0x99
  EXPECT_FALSE(HasInvalidNameChar(QString(QChar(0x00A9))));  // 0xA9
  EXPECT_TRUE(HasInvalidNameChar(QString(QChar(0x0101))));   // not in the code page
  EXPECT_TRUE(HasInvalidNameChar(QString::fromUtf8("\xF0\x9F\x98\x80")));  // outside the BMP
}

TEST(HasInvalidNameChar, BytesThatAreNotUtf8AreNoCharacters) {
  EXPECT_FALSE(HasInvalidNameChar(pathFromBytes("caf\xe9 \xff\x80")));
  // The characters around them are judged as ever.
  EXPECT_TRUE(HasInvalidNameChar(pathFromBytes("\xe9?")));
  EXPECT_TRUE(HasInvalidNameChar(pathFromBytes("\xff\x01")));
  EXPECT_TRUE(HasInvalidNameChar(pathFromBytes("\xe9\xc2\x85")));  // U+0085
  EXPECT_TRUE(HasInvalidNameChar(pathFromBytes("\xe9\xc4\x81")));  // U+0101
  // U+10080 is written D800 DC80: a real character outside the code page, not an escaped byte.
  EXPECT_TRUE(HasInvalidNameChar(pathFromBytes("\xf0\x90\x82\x80")));
}

TEST(MatchesFilePattern, MatchesTheWholeNameInAnyCase) {
  EXPECT_TRUE(MatchesFilePattern("a.ttf", "*.ttf"));
  EXPECT_TRUE(MatchesFilePattern("FOO.TTF", "*.ttf"));
  EXPECT_TRUE(MatchesFilePattern(".hidden.ttf", "*.ttf"));
  EXPECT_TRUE(MatchesFilePattern(".ttf", "*.ttf"));
  EXPECT_TRUE(MatchesFilePattern("x.ttf.ttf", "*.ttf"));
  EXPECT_FALSE(MatchesFilePattern("a.ttfx", "*.ttf"));
  EXPECT_FALSE(MatchesFilePattern("a.ttf.bak", "*.ttf"));
  EXPECT_FALSE(MatchesFilePattern("a.otf", "*.ttf"));
  EXPECT_TRUE(MatchesFilePattern("ab1.ttf", "a?1.*"));
  EXPECT_FALSE(MatchesFilePattern("a1.ttf", "a?1.*"));
  EXPECT_TRUE(MatchesFilePattern("anything", "*"));
  EXPECT_TRUE(MatchesFilePattern(QString(QChar(0xC9)) + ".TTF", QString(QChar(0xE9)) + ".ttf"));
  for (const char* name : {"a.ttf", "b.OTF", "c.ttc", "d.otc"})
    EXPECT_TRUE(MatchesFilePattern(name, "*.ttf;*.otf;*.ttc;*.otc"));
  EXPECT_FALSE(MatchesFilePattern("a.otc.bak", "*.ttf;*.otf;*.ttc;*.otc"));
}

TEST(MatchesFilePattern, AStarAndALiteralTailAgreeWithTheGeneralMatcher) {
  // "**" + tail takes the general matcher's path and means the same as "*" + tail.
  const char16_t pool[] = {u'a', u'A', u'.', u't', u'T', u'f', u'F', u'\u00C9', u'\u00E9', u'~'};
  std::mt19937 rng(99);
  std::uniform_int_distribution<size_t> pick(0, std::size(pool) - 1);
  std::uniform_int_distribution<int> len(0, 7);
  const auto text = [&](int n) {
    QString s;
    for (; n > 0; --n) s.append(QChar(pool[pick(rng)]));
    return s;
  };
  for (int round = 0; round < 20000; ++round) {
    const QString tail = text(len(rng) % 5);
    const QString name = round % 2 ? text(len(rng)) : text(len(rng) % 3) + tail.toUpper();
    ASSERT_EQ(MatchesFilePattern(name, QStringLiteral("*") + tail), MatchesFilePattern(name, QStringLiteral("**") + tail))
        << qPrintable(name) << " " << qPrintable(tail);
  }
  EXPECT_FALSE(MatchesFilePattern("ttf", "*.ttf"));
  EXPECT_TRUE(MatchesFilePattern("", "*"));
}

TEST(GetFilesInFolder, ReturnsOpenableMatchesFromOneInFileSystemOrder) {
  FakeFileSystem fs;
  QStringList expected;
  for (int i = 0; i < 120; ++i) {
    const QString name = QString("f%1.ttf").arg((i * 37) % 120, 3, 10, QChar('0'));
    fs.addFile("/f/" + name);
    expected << name;
  }
  fs.addFile("/f/other.otf");
  const FileNameArray a = GetFilesInFolder(fs, "/f", "*.ttf");
  EXPECT_EQ(a.lbound(), 1);
  EXPECT_EQ(a.ubound(), 120);
  EXPECT_EQ(a.count(), 120);
  QStringList got;
  for (int i = 1; i <= a.ubound(); ++i) got << a.at(i);
  EXPECT_EQ(got, expected);
  EXPECT_THROW(a.at(0), RuntimeError);
  EXPECT_THROW(a.at(121), RuntimeError);
}

TEST(GetFilesInFolder, LeavesOutFoldersUnopenableFilesAndNonMatches) {
  FakeFileSystem fs;
  fs.addFolder("/f/x.ttf");
  fs.addFile("/f/LOUD.TTF");
  fs.addFile("/f/locked.ttf");
  fs.addFile("/f/.dot.ttf");
  fs.addFile("/f/readme.txt");
  fs.setUnopenable("/f/locked.ttf");
  const FileNameArray a = GetFilesInFolder(fs, "/f/", "*.ttf");
  EXPECT_EQ(a.names(), std::vector<QString>({"LOUD.TTF", ".dot.ttf"}));

  for (const QString& folder : {QString("/f/x.ttf/"), QString("/missing/")}) {
    const FileNameArray none = GetFilesInFolder(fs, folder, "*.ttf");
    EXPECT_EQ(none.lbound(), 0);
    EXPECT_EQ(none.ubound(), 0);
    EXPECT_EQ(none.count(), 0);
    EXPECT_EQ(none.at(0), "");
    int visited = 0;
    for (int i = 1; i <= none.ubound(); ++i) ++visited;
    EXPECT_EQ(visited, 0);
  }
}

TEST(IsOpenableFile, OpensOnlyExistingFiles) {
  FakeFileSystem fs;
  fs.addFile("/f/a.ttf");
  fs.addFolder("/f/sub");
  EXPECT_TRUE(IsOpenableFile(fs, "/f/a.ttf"));
  EXPECT_FALSE(IsOpenableFile(fs, "/f/sub"));
  EXPECT_FALSE(IsOpenableFile(fs, "/f/b.ttf"));
  EXPECT_FALSE(IsOpenableFile(fs, ""));
}

}  // namespace
