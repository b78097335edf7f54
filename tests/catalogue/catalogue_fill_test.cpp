// The catalogue fill of the main window and the Filter command, on real folders of generated fonts.
#include "core/catalogue_entry.h"
#include "app/form3.h"
#include "catalogue/catalogue_cache.h"
#include "catalogue/catalogue_commands.h"
#include "catalogue/collect_catalogue.h"
#include "catalogue/fill_grid.h"
#include "fontfile/preview_pins.h"
#include "controls/flex_grid.h"
#include "controls/flex_grid_model.h"
#include "controls/progress_bar.h"
#include "controls/push_button.h"
#include "support/font_folder_fixture.h"

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QLineEdit>
#include <QRegularExpression>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>

namespace {

struct CatalogueTest : MemoryFontFolderTest {
  QStringList column(int col) {
    QStringList out;
    for (int r = 0; r < form.MSFlexGrid1->Rows(); ++r) out << form.MSFlexGrid1->TextMatrix(r, col);
    return out;
  }
  void filter(const QString& text) {
    form.Text1->setText(text);
    form.PushButton1_Click();
  }
};

TEST_F(CatalogueTest, ListsEveryFontOfTheFoldersSortedAndNumbered) {
  ASSERT_TRUE(makeFolder(path("fonts/sub")));
  font("b.ttf", "beta Sans");
  font("sub/a.ttf", "Alpha Serif");
  font("c.TTF", "Alpha");
  font("~hidden.ttf", "Aardvark");   // never listed
  font("notes.txt", "Not A Font File Name");
  filter("");

  EXPECT_EQ(column(0), QStringList({"1", "2", "3"}));
  // Sorted by the whole entry text: "Alpha Serif||…" comes before "Alpha||…" (" " < "|").
  EXPECT_EQ(column(1), QStringList({"Alpha Serif", "Alpha", "beta Sans"}));
  EXPECT_EQ(column(2), QStringList({kSampleText, kSampleText, kSampleText}));
  EXPECT_EQ(form.lblFontsInstalled->text(), "Total Number Of Fonts Installed: 3");
  ASSERT_EQ(form.List1.ListCount(), 3);
  EXPECT_EQ(form.List1.List(0), "Alpha Serif" + kEntrySeparator + path("fonts/sub/a.ttf"));
  EXPECT_TRUE(app.prompts.boxes.empty());
}

TEST_F(CatalogueTest, RefillsAndTheFullWindowListReadOnlyTheFilesThatChanged) {
  font("a.ttf", "Alpha");
  font("b.ttf", "Beta");
  font("c.ttf", "Gamma", 0x21);
  CatalogueCache cache(app.fs);
  form.services().catalogueCache = &cache;
  std::atomic<int> opened = 0;  // counted on the reading thread too
  app.fs.beforeCall = [&](const QString& call, const QString&) { opened += call == "openForReading"; };
  filter("");
  filter("a");
  form.PushButton2_Click();
  EXPECT_EQ(opened, 3);
  font("b.ttf", "Beta Two");
  filter("");
  EXPECT_EQ(opened, 4);
  EXPECT_EQ(column(1), QStringList({"Alpha", "Beta Two", "Gamma"}));
  EXPECT_TRUE(form.MSFlexGrid1->cellFont(2, 2).bold());
  // Where a file's times prove no rewrite (a network or FAT file system), it is read every time.
  app.fs.setUnproven(path("fonts/c.ttf"));
  filter("");
  filter("");
  EXPECT_EQ(opened, 6);
  EXPECT_EQ(column(1), QStringList({"Alpha", "Beta Two", "Gamma"}));
}

// The facts follow the list through refills that narrow, widen and change it.
TEST_F(CatalogueTest, FactsHoldTheListedFacesAfterEachRefill) {
  font("a.ttf", "Alpha");
  font("b.ttf", "Beta", 0x20);
  CatalogueCache cache(app.fs);
  form.services().catalogueCache = &cache;
  int step = 0;
  for (const auto& [text, expected] :
       {std::pair{"", "a.ttf b.ttf bold "}, {"be", "b.ttf bold "}, {"", "a.ttf b.ttf bold "}, {"", "a.ttf b.ttf "}}) {
    if (step++ == 3) font("b.ttf", "Beta");  // rewritten in place, no longer bold
    filter(text);
    QStringList facts;
    for (auto it = form.catalogueFacts().cbegin(); it != form.catalogueFacts().cend(); ++it)
      facts << it.key().path.section('/', -1) + (it->bold ? " bold" : "");
    facts.sort();
    EXPECT_EQ(facts.join(' ') + ' ', expected) << text;
  }
}

TEST_F(CatalogueTest, SampleCellsTakeTheirOwnFileStyle) {
  font("r.ttf", "Face A Regular", 0x40);
  font("bi.ttf", "Face B Bold Italic", 0x21);
  font("us.ttf", "Face C Marked", 0x12);
  filter("");
  FlexGrid& grid = *form.MSFlexGrid1;
  ASSERT_EQ(grid.Rows(), 3);
  EXPECT_EQ(grid.cellFontName(1, 2), "Face B Bold Italic");
  const QFont regular = grid.cellFont(0, 2), boldItalic = grid.cellFont(1, 2), marked = grid.cellFont(2, 2);
  EXPECT_FALSE(regular.bold() || regular.italic() || regular.underline() || regular.strikeOut());
  EXPECT_TRUE(boldItalic.bold() && boldItalic.italic());
  EXPECT_TRUE(marked.underline() && marked.strikeOut());
  EXPECT_EQ(grid.cellAlignment(0, 2), 1);
}

TEST_F(CatalogueTest, FilterKeepsCaseInsensitiveSubstringMatchesOnly) {
  font("a.ttf", "Arial Bold");
  font("b.ttf", "Candara");
  font("c.ttf", "Verdana");
  filter("AR");
  EXPECT_EQ(column(1), QStringList({"Arial Bold", "Candara"}));
  EXPECT_EQ(column(0), QStringList({"1", "2"}));
  filter("bold");
  EXPECT_EQ(column(1), QStringList({"Arial Bold"}));
  // A leading blank only matches where a blank stands before the rest.
  filter(" arial");
  EXPECT_EQ(form.MSFlexGrid1->Rows(), 0);
}

TEST_F(CatalogueTest, FilterIgnoresCaseTheWayTheUsersLanguageDoes) {
  font("i.ttf", "ISTANBUL Sans");
  font("z.ttf", "\u0130zmir Serif");  // capital I with a dot
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
  filter("\u0131stanbul");  // dotless i: the small letter of Turkish "I"
  EXPECT_EQ(column(1), QStringList({"ISTANBUL Sans"}));
  filter("izmir");
  EXPECT_EQ(column(1), QStringList({"\u0130zmir Serif"}));
  filter("istanbul");
  EXPECT_EQ(form.MSFlexGrid1->Rows(), 0);
  QLocale::setDefault(saved);
  filter("istanbul");
  EXPECT_EQ(column(1), QStringList({"ISTANBUL Sans"}));
}

TEST_F(CatalogueTest, NoMatchShowsTheNoFontsMessageAndCountZero) {
  font("a.ttf", "Arial");
  filter("zzz");
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  EXPECT_EQ(app.prompts.boxes[0].title, "Application Error");
  EXPECT_EQ(app.prompts.boxes[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(app.prompts.boxes[0].text,
            "Error #195454: No fonts found. \r\nPlease email support@example.com with a screenshot of this "
            "message if you have any questions.");
  EXPECT_EQ(form.lblFontsInstalled->text(), "Total Number Of Fonts Installed: 0");
  EXPECT_EQ(form.ProgressBar1->Text(), "Progress Bar");
  EXPECT_FALSE(form.Busy);
}

TEST_F(CatalogueTest, FilterLaysOutTheGridAndStripesEveryRow) {
  font("a.ttf", "A");
  font("b.ttf", "B");
  font("c.ttf", "C");
  filter("");
  FlexGrid& grid = *form.MSFlexGrid1;
  EXPECT_EQ(grid.ColWidth(0), 650);
  EXPECT_EQ(grid.ColWidth(1), 4300);
  EXPECT_EQ(grid.ColWidth(2), 4300);
  EXPECT_EQ(grid.RowHeightMin(), 500);
  EXPECT_DOUBLE_EQ(grid.FontSize(), 15);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(grid.cellBackColor(0, c), kEvenRowColor);
    EXPECT_EQ(grid.cellBackColor(1, c), kOddRowColor);
    EXPECT_EQ(grid.cellBackColor(2, c), kEvenRowColor);
  }
  EXPECT_EQ(grid.Row(), 2);  // the striping leaves the last row current
}

TEST_F(CatalogueTest, OneFontFillsWithoutAnErrorAndAFullBar) {
  font("a.ttf", "Only");
  AppServices& s = form.services();
  ErrorTrap trap(s.prompts, "Form1.LoadFonts");
  ListBox list;
  list.AddItem("Only", path("fonts/a.ttf"));
  FlexGrid grid;
  ProgressBar bar;
  fillCatalogueGrid(s, trap, grid, list, bar, {});
  EXPECT_DOUBLE_EQ(bar.Value(), 100.0);
  EXPECT_EQ(bar.Text(), "Loading font 1 from 1");
  EXPECT_TRUE(app.prompts.boxes.empty());
}

TEST_F(CatalogueTest, AFileTheReaderCannotReadGivesTwoBoxesAndTheFillGoesOn) {
  font("good.ttf", "Good");
  writeAt(path("fonts/broken.ttf"), FontBuilder().withoutName().build());
  filter("");
  EXPECT_EQ(column(1), QStringList({"Good"}));
  // Setting the reader's file, then taking its full name for the entry.
  ASSERT_EQ(app.prompts.boxes.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(app.prompts.boxes[i].title, "Application Error");
    EXPECT_EQ(app.prompts.boxes[i].text,
              QStringLiteral("Subscript out of range\r\nin Typorama2021/08/31.Form1.LoadFonts at line %1\r\r"
                             "Please email screenshot of this message to support@example.com")
                  .arg(i == 0 ? 110 : 114));
  }
}

TEST_F(CatalogueTest, TheFirstFillTakesACatalogueCollectedBeforeTheWindowInTimeWithoutFailures) {
  font("b.ttf", "Beta");
  font("a.ttf", "Alpha");
  const auto collected = [&](FontFormats formats) { return catalogue::collectEarly(app.services, formats); };
  auto early = collected(FontFormats::TrueType);
  auto otherFormats = collected(FontFormats::All);
  ASSERT_TRUE(early && otherFormats);
  EXPECT_FALSE(catalogue::collectEarly(app.services, FontFormats::TrueType, std::chrono::milliseconds(0)))
      << "given up after its time";
  font("c.ttf", "Gamma");  // added since: only a fill that collects itself lists it
  form.setEarlyCatalogue(std::move(early));
  filter("");
  EXPECT_EQ(column(1), QStringList({"Alpha", "Beta"}));
  EXPECT_EQ(form.lblFontsInstalled->text(), "Total Number Of Fonts Installed: 2");
  filter("");  // taken once
  EXPECT_EQ(column(1), QStringList({"Alpha", "Beta", "Gamma"}));
  form.setEarlyCatalogue(std::move(otherFormats));
  filter("");  // collected for other formats
  EXPECT_EQ(column(1), QStringList({"Alpha", "Beta", "Gamma"}));

  writeAt(path("fonts/broken.ttf"), FontBuilder().withoutName().build());
  EXPECT_FALSE(collected(FontFormats::TrueType)) << "the fill's own collection shows the boxes";
  EXPECT_TRUE(app.prompts.boxes.empty());
}

TEST_F(CatalogueTest, PleaseWaitIsWrittenForEverySixthFileOfAFolder) {
  for (int i = 1; i <= 14; ++i) font("f" + std::to_string(i) + ".ttf", QStringLiteral("Font %1").arg(i));
  std::vector<std::pair<int, int>> shown;
  ErrorTrap trap(app.prompts, "Form1.LoadFonts");
  ListBox list;
  FactsByFace facts;
  PreviewPins pins(app.fonts);
  collectCatalogue(form.services(), trap, list, "", FontFormats::TrueType, facts, pins,
                   [&](int i, int n, bool) { shown.emplace_back(i, n); });
  EXPECT_EQ(shown, (std::vector<std::pair<int, int>>{{6, 14}, {12, 14}}));
  EXPECT_EQ(list.ListCount(), 14);
}

TEST_F(CatalogueTest, UnknownFacesStayLoadedWhileTheGridShowsThem) {
  font("new.ttf", "Newface Regular");
  // The system does not know the family: the reader loads the file, and the catalogue keeps it.
  filter("");
  const QString path = this->path("fonts/new.ttf");
  EXPECT_EQ(app.fonts.loadCounts.value(path), 1);
  filter("");  // a refill releases the old pin and takes a new one
  EXPECT_EQ(app.fonts.loadCounts.value(path), 1);
  form.Form_Unload();
  EXPECT_EQ(app.fonts.outstandingLoads(), 0);
}

// A refill from the records probes each face without a reader, but asks for the same names and
// registers the same files as a read of every file: the system's answer of the moment decides.
TEST_F(CatalogueTest, ARefillFromTheRecordsProbesAndRegistersAsAFullReadDoes) {
  font("known.ttf", "Knownface Bold");
  font("new.ttf", "Newface Regular");
  app.fonts.families.insert("Knownface");
  CatalogueCache cache(app.fs);
  form.services().catalogueCache = &cache;
  std::atomic<int> opened = 0;  // counted on the reading thread too
  app.fs.beforeCall = [&](const QString& call, const QString&) { opened += call == "openForReading"; };
  const QString known = path("fonts/known.ttf"), unknown = path("fonts/new.ttf");
  filter("");
  const QStringList probes = app.fonts.probes;
  ASSERT_FALSE(probes.isEmpty());
  filter("");
  filter("");
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(app.fonts.probes, probes + probes + probes);
  EXPECT_EQ(app.fonts.loadCounts.value(unknown), 1);
  EXPECT_FALSE(app.fonts.loadCounts.contains(known));
  // The system forgets the family: the refill registers the file, as a reader would.
  app.fonts.families.remove("Knownface");
  filter("");
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(app.fonts.loadCounts.value(known), 1);
  EXPECT_EQ(app.fonts.loadCounts.value(unknown), 1);
  // A file rewritten in place is read again: its new name shows, never the recorded one.
  font("new.ttf", "Otherface Regular");
  filter("");
  EXPECT_EQ(opened, 3);
  EXPECT_EQ(column(1), QStringList({"Knownface Bold", "Otherface Regular"}));
  form.Form_Unload();
  EXPECT_EQ(app.fonts.outstandingLoads(), 0);
}

TEST_F(CatalogueTest, SamplesAreDrawnFromTheirOwnFile) {
  ASSERT_TRUE(makeFolder(path("fonts/v2")));
  font("twin.ttf", "Twin Regular");
  font("v2/twin.ttf", "Twin Regular");
  filter("");
  FlexGrid& grid = *form.MSFlexGrid1;
  ASSERT_EQ(grid.Rows(), 2);
  EXPECT_EQ(grid.cellFontFile(0, 2), path("fonts/twin.ttf"));
  EXPECT_EQ(grid.cellFontFile(1, 2), path("fonts/v2/twin.ttf"));
  EXPECT_EQ(grid.cellFontName(1, 2), "Twin Regular");
  EXPECT_EQ(grid.cellFontFile(0, 1), "");  // the name column stays in the grid font
}

TEST_F(CatalogueTest, FilterIsTurnedAwayWhileAnotherCommandRuns) {
  font("a.ttf", "A");
  int nested = 0;
  app.yielder.onYield = [&](int) {
    if (nested++ == 0) {
      form.Text1->setText("zzz");  // would empty the grid if the nested click ran
      form.PushButton1_Click();
    }
  };
  filter("");
  EXPECT_GE(nested, 1);
  EXPECT_EQ(form.MSFlexGrid1->Rows(), 1);
  EXPECT_TRUE(app.prompts.boxes.empty());
  EXPECT_FALSE(form.Busy);
}

TEST_F(CatalogueTest, StartUpShowsThePleaseWaitWindowOnlyDuringTheFill) {
  for (int i = 1; i <= 6; ++i) font("f" + std::to_string(i) + ".ttf", QStringLiteral("Font %1").arg(i));
  form.show();
  form.hide();  // as if a window manager had shown and hidden it: it must stay hidden
  int yields = 0;
  app.yielder.onYield = [&](int) {
    ++yields;
    ASSERT_NE(form.form3(), nullptr);
    EXPECT_TRUE(form.form3()->isVisible());
    EXPECT_FALSE(form.isVisible());
  };
  // Where the platform's window colour is not white, the label still turns white at the end.
  QPalette yellow = form.lblFontsInstalled->palette();
  yellow.setColor(form.lblFontsInstalled->backgroundRole(), Qt::yellow);
  form.lblFontsInstalled->setPalette(yellow);
  form.Form_Load();
  EXPECT_GT(yields, 0);
  EXPECT_EQ(form.form3(), nullptr);
  EXPECT_FALSE(form.StartupLoading);
  EXPECT_EQ(form.MSFlexGrid1->Rows(), 6);
  EXPECT_EQ(form.MSFlexGrid1->FocusRect(), 0);
  EXPECT_EQ(form.MSFlexGrid1->SelectionMode(), 1);
  EXPECT_EQ(form.lblFontsInstalled->grab().toImage().pixelColor(20, 8), QColor(Qt::white));
}

// Records what the please-wait window's label reads each time the window is painted.
struct PleaseWaitTexts : QObject {
  QStringList texts;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint)
      if (auto* form3 = qobject_cast<Form3*>(watched)) texts << form3->Label1->text();
    return false;
  }
};

TEST_F(CatalogueTest, PleaseWaitTextsOfAFilteredAndAnUnfilteredStartUp) {
  for (int i = 1; i <= 7; ++i) font("f" + std::to_string(i) + ".ttf", QStringLiteral("Font %1").arg(i));
  font("g.ttf", "Other");
  PleaseWaitTexts seen;
  qApp->installEventFilter(&seen);
  // The folder scan's yield lets the new window show, so that its repaints really paint.
  app.yielder.onYield = [](int) { QApplication::processEvents(); };
  form.pleaseWaitFrameMs = 0;  // a real fill of 8 files is over before the next frame is due
  form.StartupLoading = true;
  form.LoadFonts();
  QStringList unfiltered = seen.texts.filter("Loading");
  seen.texts.clear();
  form.Text1->setText("other");
  form.LoadFonts();
  qApp->removeEventFilter(&seen);
  QStringList filtered = seen.texts.filter("Loading");
  // The window's first frame says what is going on; then every sixth file of the folder
  // unfiltered (8 files, in the folder's order), every accepted file filtered.
  unfiltered.removeDuplicates();
  filtered.removeDuplicates();
  const QString opening = "Loading fonts... please wait";
  EXPECT_EQ(unfiltered, (QStringList{opening, "Loading fonts: 6 of 8... please wait"}));
  ASSERT_EQ(filtered.size(), 2) << filtered.join('|').toStdString();
  EXPECT_EQ(filtered[0], opening);
  EXPECT_TRUE(QRegularExpression("^Loading fonts\\.\\. [1-8] of 8 please wait\\.\\.\\.$").match(filtered[1]).hasMatch())
      << filtered.join('|').toStdString();
}

// A font system that notes the progress bar each time a row's file is read for its style.
struct ProgressWatch : FakeFontSystem {
  ProgressBar* bar = nullptr;
  QStringList seen;
  bool faceExists(const QString& face) override {
    const QString now = bar ? QStringLiteral("%1 %2").arg(bar->Value()).arg(bar->Text()) : QString();
    if (bar && (seen.isEmpty() || seen.last() != now)) seen << now;
    return FakeFontSystem::faceExists(face);
  }
};

TEST_F(CatalogueTest, FillProgressRunsFromZeroToAHundred) {
  for (const char* name : {"a", "b", "c"}) font(std::string(name) + ".ttf", QString(name).toUpper());
  ProgressWatch fonts;
  AppServices s{app.prompts, app.yielder, app.random, app.fs, fonts, app.desktop};
  ErrorTrap trap(s.prompts, "Form1.LoadFonts");
  ListBox list;
  for (const char* name : {"a", "b", "c"})
    list.AddItem(QString(name).toUpper(), path(std::string("fonts/") + name + ".ttf"));
  FlexGrid grid;
  ProgressBar bar;
  fonts.bar = &bar;
  fillCatalogueGrid(s, trap, grid, list, bar, {});
  EXPECT_EQ(fonts.seen, (QStringList{"0 Loading font 1 from 3", "50 Loading font 2 from 3", "100 Loading font 3 from 3"}));
  EXPECT_TRUE(app.prompts.boxes.empty());
}

TEST_F(CatalogueTest, PleaseWaitWindowCaptionAndColours) {
  Form3 pleaseWait(form);
  pleaseWait.Form_Load();
  EXPECT_EQ(pleaseWait.windowTitle(), "Typorama");
  const QColor buttonFace = pleaseWait.palette().color(QPalette::Button);
  ASSERT_NE(buttonFace, pleaseWait.palette().color(QPalette::Base));
  const QImage image = pleaseWait.grab().toImage();
  EXPECT_EQ(image.pixelColor(2, 2), buttonFace);     // the window
  EXPECT_EQ(image.pixelColor(2, 10), buttonFace);    // its label, left of the centred text
  EXPECT_EQ(pleaseWait.size(), QSize(526, 27));
}

}  // namespace

// Each of 25,000 row numbers fits its cell (3 pixels each side, the grid line) in both grids' type.
TEST_F(CatalogueTest, TheNumberColumnWidensToShowEveryNumberWhole) {
  ErrorTrap trap(form.services().prompts, "Form1.LoadFonts");
  ListBox list;
  FactsByFace facts;
  for (int i = 0; i < 25000; ++i) list.AddItem("F", facts.insert({QString("/f/%1").arg(i)}, {}).key().path);
  for (const auto& [twips, points] : {std::pair{650, 15.0}, std::pair{700, 30.0}}) {
    FlexGrid grid;
    grid.setColWidth(0, twips);
    grid.setFontSize(points);
    fillCatalogueGrid(form.services(), trap, grid, list, *form.ProgressBar1, facts);
    for (int r = 0; r < grid.Rows(); ++r)
      ASSERT_LE(QFontMetrics(grid.font()).horizontalAdvance(grid.TextMatrix(r, 0)) + 7, grid.columnWidth(0)) << r;
  }
}

// A refill over a grid that shows the same rows keeps them: cells, tables of font names and files,
// current cell, selection, scroll and stripes end as in a grid whose fill had to write every row.
TEST_F(CatalogueTest, ARefillThatKeepsRowsEndsAsOneThatWritesThem) {
  ErrorTrap trap(form.services().prompts, "Form1.LoadFonts");
  const QStringList first{"Alpha /f/a", "Beta /f/b B", "Beta /f/c", "Gamma /f/d", "Delta /f/e B"};  // name file [bold]
  const auto refilled = [&](const QStringList& last, const QString& suffix) {
    FlexGrid g;
    g.resize(200, 60);
    for (const auto& [rows, ending] : {std::pair{first, suffix}, std::pair{last, QString()}}) {
      ListBox list;
      FactsByFace facts;
      for (const QString& row : rows)
        list.AddItem(row.section(' ', 0, 0) + ending, facts.insert({row.section(' ', 1, 1)}, {.bold = row.endsWith(" B")}).key().path);
      g.setTopRow(2);
      fillCatalogueGrid(form.services(), trap, g, list, *form.ProgressBar1, facts);
      StripeGridRows(g, kEvenRowColor, kOddRowColor);
    }
    QStringList out{QString("%1 %2 %3 %4 %5").arg(g.Row()).arg(g.Col()).arg(g.RowSel()).arg(g.ColSel()).arg(g.TopRow())};
    for (int f = 0; f < g.cells().faceCount(); ++f) out << g.cells().faceName(f);
    for (int f = 0; f < g.cells().fileCount(); ++f) out << g.cells().fileName(f) + QString::number(g.cells().fileFaceIndex(f));
    for (int r = 0; r < g.Rows() * g.Cols(); ++r)  // every cell's text, font and whole format
      out << g.TextMatrix(r / 3, r % 3) + g.cellFont(r / 3, r % 3).toString() +
                 QByteArray(reinterpret_cast<const char*>(&g.cells().format(r / 3, r % 3)), 16).toHex();
    return out.join('\n').toStdString();
  };
  QStringList renamed = first, bolder = first, swapped = first;
  renamed[3] = "Omega /f/d", bolder[0] = "Alpha /f/a B", swapped[1] = "Beta /f/c", swapped[2] = "Beta /f/b B";
  for (const QStringList& last : {first, renamed, bolder, swapped, first.mid(1, 3), first.mid(0, 4)})
    EXPECT_EQ(refilled(last, ""), refilled(last, " Other"));  // the second writes every row of `last`
}

TEST_F(FontFolderTest, AFontInstalledWhileTheScanRunsIsListed) {
  ASSERT_TRUE(makeFolder(path("fonts/sub")));  // a yield after the fonts folder's listing
  CatalogueCache cache(app.fs);
  form.services().catalogueCache = &cache;
  app.yielder.onYield = [&](int n) { if (n == 2) font("late.ttf", "Late"); };
  form.PushButton1_Click();
  EXPECT_EQ(form.MSFlexGrid1->TextMatrix(0, 1), "Late");
}
