// The fill with its files read ahead on a second thread against the fill that reads each file
// itself: the same list, error boxes and please-wait calls, odd files included.
#include "catalogue/catalogue_cache.h"
#include "catalogue/collect_catalogue.h"
#include "catalogue/fill_grid.h"
#include "fontfile/preview_pins.h"
#include "catalogue/read_ahead.h"
#include "controls/flex_grid.h"
#include "controls/flex_grid_model.h"
#include "support/font_folder_fixture.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

struct Fill {
  std::vector<QString> list;
  std::vector<QString> boxes;
  std::vector<std::tuple<int, int, bool>> pleaseWait;
  std::vector<QString> families;
  bool operator==(const Fill&) const = default;
};

// The disk, counting the font files opened.
struct CountingFileSystem : LinuxFileSystem {
  std::atomic<int> opened = 0;
  std::unique_ptr<ReadableFile> openForReading(const QString& path) override {
    ++opened;
    return LinuxFileSystem::openForReading(path);
  }
};

struct ReadAheadTest : MadeFontFolderTest<CountingFileSystem> {
  // Fonts in folders, odd files among them: unreadable ones, a link, a FIFO, collections.
  void makeTree() {
    ASSERT_TRUE(tree.folder("fonts/a"));
    ASSERT_TRUE(tree.folder("fonts/b"));
    ASSERT_TRUE(tree.folder("fonts/empty"));
    ASSERT_TRUE(tree.folder("fonts/dir.ttf"));  // a folder by a font's name is walked, not read
    for (int i = 1; i <= 13; ++i) font("a/f" + std::to_string(i) + ".ttf", QStringLiteral("Alpha %1").arg(i));
    for (int i = 1; i <= 7; ++i) font("b/g" + std::to_string(i) + ".ttf", QStringLiteral("Beta %1").arg(i), 0x21);
    font("top.ttf", "Top Regular");
    writeText("fonts/b/two-languages.ttf",
              FontBuilder().name(3, 0x409, 4, u"English Name").name(3, 0x407, 4, u"Deutscher Name").build());
    font("~skipped.ttf", "Skipped");
    ASSERT_TRUE(FontBuilder().withoutName().writeTo(tree.q("fonts/a/broken.ttf")));
    ASSERT_TRUE(FontBuilder().name(3, 0x409, 4, u"Cut Short").truncate(40).writeTo(tree.q("fonts/b/cut.ttf")));
    ASSERT_TRUE(tree.file("fonts/b/empty.ttf"));
    ASSERT_EQ(symlink(tree.path("fonts/a/f1.ttf").c_str(), tree.path("fonts/b/link.ttf").c_str()), 0);
    ASSERT_EQ(symlink(tree.path("fonts/gone.ttf").c_str(), tree.path("fonts/dangling.ttf").c_str()), 0);
    ASSERT_EQ(mkfifo(tree.path("fonts/a/pipe.ttf").c_str(), 0644), 0);  // never opened: it would block
    font(".hid/h.ttf", "Hidden Folder");
    ASSERT_EQ(symlink(tree.path("fonts/a").c_str(), tree.path("fonts/b/again").c_str()), 0);  // met before
    // For every format: collections whose second face has no names, or lies past the end; and
    // one named as a TrueType file, which only every format reads as a collection.
    QByteArray pair = fontCollection({FontBuilder().name(3, 0x409, 4, u"Pair B").build(), FontBuilder().build()});
    writeText("fonts/b/pair.ttc", pair);
    writeText("fonts/b/twins.ttf", fontCollection({FontBuilder().name(3, 0x409, 4, u"Twin A").build(),
                                                   FontBuilder().name(3, 0x409, 4, u"Twin B").build()}));
    putU32(pair, 16, 0xFFFFFF00);
    writeText("fonts/a/past.otc", pair);
  }

  Fill fill(const QString& filter, bool readAhead, FontFormats formats = FontFormats::TrueType,
            CatalogueFor use = CatalogueFor::Window) {
    Fill out;
    app.prompts.boxes.clear();
    ErrorTrap trap(app.prompts, "Form1.LoadFonts");
    ListBox list;
    FactsByFace facts;
    PreviewPins pins(app.fonts);
    collectCatalogue(form.services(), trap, list, filter, formats, facts, pins,
                     [&](int i, int n, bool filtered) { out.pleaseWait.emplace_back(i, n, filtered); }, readAhead,
                     use);
    for (int i = 0; i < list.ListCount(); ++i) {
      out.list.push_back(list.List(i) + "#" + QString::number(list.ItemFace(i)));
      const FontFacts f = facts.value({list.ItemPath(i), list.ItemFace(i)});
      out.families.push_back(f.family + QString::number(f.bold + 2 * f.italic + 4 * f.underlined + 8 * f.strikeOut));
    }
    out.boxes = app.prompts.texts();
    return out;
  }
};

TEST_F(ReadAheadTest, GivesTheSameListBoxesAndPleaseWaitCallsAsReadingEachFileInTurn) {
  makeTree();

  using enum FontFormats;
  for (const auto& [filter, formats] :
       {std::pair{QString(), TrueType}, {"a", TrueType}, {"beta 1", TrueType}, {"", All}, {"pair", All}}) {
    const Fill inTurn = fill(filter, false, formats);
    const Fill ahead = fill(filter, true, formats);
    EXPECT_EQ(ahead.list, inTurn.list) << filter.toStdString();
    EXPECT_EQ(ahead.boxes, inTurn.boxes) << filter.toStdString();
    EXPECT_EQ(ahead.pleaseWait, inTurn.pleaseWait) << filter.toStdString();
    EXPECT_EQ(ahead.families, inTurn.families) << filter.toStdString();
    // The command line's fill, from the scan's listings: no face probed or loaded, and of each
    // unreadable file's two boxes (the probe's and the name's) the second only.
    app.fonts.probes.clear();
    app.fonts.loads.clear();
    const Fill cli = fill(filter, true, formats, CatalogueFor::CommandLine);
    EXPECT_EQ(cli.list, inTurn.list) << filter.toStdString();
    EXPECT_EQ(cli.pleaseWait, inTurn.pleaseWait) << filter.toStdString();
    EXPECT_EQ(cli.families, inTurn.families) << filter.toStdString();
    EXPECT_TRUE(app.fonts.probes.isEmpty() && app.fonts.loads.isEmpty());
    std::vector<QString> second;
    std::copy_if(inTurn.boxes.begin(), inTurn.boxes.end(), std::back_inserter(second),
                 [](const QString& box) { return !box.contains("at line 110"); });
    EXPECT_EQ(cli.boxes, second) << filter.toStdString();
  }
  // Not vacuous: every font and the link are listed, and the unreadable files gave their boxes.
  const Fill all = fill(QString(), true);
  EXPECT_EQ(all.list.size(), 13u + 7u + 1u + 1u + 1u + 1u);
  EXPECT_EQ(all.boxes.size(), 8u);  // two each for broken.ttf, cut.ttf, empty.ttf and twins.ttf
  EXPECT_FALSE(all.pleaseWait.empty());
  EXPECT_EQ(fill("pair", true, FontFormats::All).list.size(), 2u);
}

TEST_F(ReadAheadTest, WithTheCacheGivesWhatReadingEveryFileGivesAfterEachKindOfChange) {
  makeTree();
  CatalogueCache cache(app.fs);  // stamped in the temporary folder, as the tree is
  const auto agree = [&](const char* change) {
    using enum FontFormats;
    for (const auto& [filter, formats, use] : {std::tuple{QString(), TrueType, CatalogueFor::Window},
                                               {"a", TrueType, CatalogueFor::CommandLine},
                                               {"", All, CatalogueFor::CommandLine},
                                               {"twin", All, CatalogueFor::Window}}) {
      form.services().catalogueCache = nullptr;
      const Fill fresh = fill(filter, true, formats, use);
      form.services().catalogueCache = &cache;
      EXPECT_TRUE(fill(filter, true, formats, use) == fresh) << change << " " << filter.toStdString();
    }
  };
  agree("none");
  // Unchanged, only what has no record is opened again: the files that fail, and "~skipped.ttf".
  app.fs.opened = 0;
  fill(QString(), true);
  EXPECT_EQ(app.fs.opened, 5);

  // Rewritten in place, its size and modification time as they were.
  const std::string f3 = tree.path("fonts/a/f3.ttf");
  struct stat before {};
  ASSERT_EQ(stat(f3.c_str(), &before), 0);
  font("a/f3.ttf", "Alpha 9");
  const struct timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, f3.c_str(), times, 0), 0);
  struct stat after {};
  ASSERT_TRUE(stat(f3.c_str(), &after) == 0 && after.st_size == before.st_size);
  agree("rewritten");
  font("new.ttf", "Beta Replaced", 0x01);
  ASSERT_EQ(rename(tree.path("fonts/new.ttf").c_str(), tree.path("fonts/b/g2.ttf").c_str()), 0);
  agree("replaced");
  ASSERT_EQ(rename(tree.path("fonts/b/g3.ttf").c_str(), tree.path("fonts/b/g3-renamed.ttf").c_str()), 0);
  agree("renamed");
  ASSERT_EQ(unlink(tree.path("fonts/b/g4.ttf").c_str()), 0);
  agree("deleted");
  font("c/added.ttf", "Gamma Added");
  agree("folder added");
  ASSERT_TRUE(QDir(tree.q("fonts/a")).removeRecursively());  // b/link.ttf and b/again now lead nowhere
  agree("folder removed");
  ASSERT_EQ(chmod(tree.path("fonts/top.ttf").c_str(), 0), 0);
  agree("made unreadable");
  app.fonts.locale = 0x0407;
  agree("another locale");
}

// Filter clicks in one window, which keeps its facts, grid, records and listings from click to
// click, show what a fill that reads every file shows, whatever changed on the disk between two.
TEST_F(ReadAheadTest, FilterClicksShowWhatAFreshReadShowsAfterEachChange) {
  makeTree();
  ASSERT_EQ(symlink(tree.path("fonts/c/later.ttf").c_str(), tree.path("fonts/b/later.ttf").c_str()), 0);
  CatalogueCache cache(app.fs);  // stamped in the temporary folder, as the tree is
  // Each row: name, file and face, the sample's style bits, and the facts kept for it.
  const auto rows = [](const ListBox& list, const FactsByFace& facts, const FlexGridModel* cells) {
    QStringList out;
    for (int i = 0; i < list.ListCount(); ++i) {
      const FontFacts f = facts.value({list.ItemPath(i), list.ItemFace(i)});
      const int bits = f.bold + 2 * f.italic + 4 * f.underlined + 8 * f.strikeOut;
      out.push_back(QStringLiteral("%1|%2#%3|%4|%5%6/%7")
                        .arg(cells ? cells->text(i, 1) : list.ItemName(i), cells ? cells->fileName(i) : list.ItemPath(i))
                        .arg(cells ? cells->fileFaceIndex(i) : list.ItemFace(i)).arg(cells ? cells->cellStyle(i, 2) : bits)
                        .arg(f.family).arg(bits).arg(f.faces));
    }
    return out;
  };
  const auto fresh = [&](const QString& filter, FontFormats formats) {
    ErrorTrap trap(app.prompts, "Form1.LoadFonts");
    ListBox list;
    FactsByFace facts;
    PreviewPins pins(app.fonts);
    LinuxFileSystem disk;  // which has listed nothing before
    AppServices plain{app.prompts, form.services().yielder, form.services().random, disk, app.fonts,
                      form.services().desktop, form.services().office, nullptr};
    collectCatalogue(plain, trap, list, filter, formats, facts, pins, {});
    return rows(list, facts, nullptr);
  };
  const std::string f3 = tree.path("fonts/a/f3.ttf");
  struct stat before {};
  ASSERT_EQ(stat(f3.c_str(), &before), 0);
  const auto rewriteF3 = [&] {  // bold and renamed, its size and times restored
    font("a/f3.ttf", "Alpha 9", 0x20);
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    utimensat(AT_FDCWD, f3.c_str(), times, 0);
  };
  using enum FontFormats;
  const std::vector<std::tuple<QString, FontFormats, std::function<void()>>> steps = {
      {"", TrueType, [] {}}, {"", TrueType, [] {}}, {"alpha", TrueType, [] {}}, {"alpha", TrueType, [] {}},
      {"alpha", TrueType, rewriteF3}, {"", TrueType, [] {}}, {"", All, [] {}},
      {"", All, [&] { font("a/added.ttf", "Alpha Added", 1), unlink(tree.path("fonts/b/g4.ttf").c_str()); }},
      {"", TrueType, [&] { font("c/later.ttf", "Later Through A Link"); }}, {"", TrueType, [] {}}};
  form.services().catalogueCache = &cache;
  int step = 0;
  for (const auto& [filter, formats, change] : steps) {
    usleep(20'000);
    change();
    form.Text1->setText(filter);
    if (formats != form.fontFormats())
      form.setFontFormats(formats);  // clicks Filter itself
    else
      form.PushButton1_Click();
    EXPECT_EQ(rows(form.List1, form.catalogueFacts(), &form.MSFlexGrid1->cells()), fresh(filter, formats)) << step++;
  }
  // Not vacuous: the rewritten face shows in bold, the added face and the link's new target show.
  const QString shown = rows(form.List1, form.catalogueFacts(), &form.MSFlexGrid1->cells()).join('\n');
  EXPECT_TRUE(shown.contains("Alpha 9|" + tree.q("fonts/a/f3.ttf") + "#0|1|"));
  EXPECT_TRUE(shown.contains("Alpha Added|") && shown.contains(tree.q("fonts/b/later.ttf")));
}

TEST(ReadAhead, HandsOnAListingFailureInItsTurnAndStopsWithWorkLeft) {
  FakeFileSystem fs;
  fs.writeFile("/f/one.ttf", FontBuilder().name(3, 0x409, 4, u"One").build());
  for (const bool threaded : {false, true}) {
    ReadAhead ahead(fs, 0x409, threaded);
    ahead.queue("/f", {{"one.ttf", true}, {"missing.ttf", true}, {"one.ttf", false}});
    ahead.queue("/f", {}, std::make_exception_ptr(std::runtime_error("listing failed")));
    ahead.queue("/f", std::vector<FileEntry>(5000, FileEntry{"one.ttf", true}));
    EXPECT_EQ(ahead.pendingEntries(), 5003u);
    const auto first = ahead.next();
    ASSERT_EQ(first.size(), 1u);  // the missing file and the one not known to be regular drop out
    ASSERT_TRUE(first[0].tables && first[0].tables->nameRecords);
    EXPECT_THROW(ahead.next(), std::runtime_error);
    // The last folder is left unread: the destructor stops the thread and waits for it.
  }
}

}  // namespace
