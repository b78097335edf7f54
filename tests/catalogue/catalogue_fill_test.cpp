// The catalogue fill of the main window and the Filter command, on real folders of generated fonts.
#include "app/catalogue_entry.h"
#include "app/form3.h"
#include "catalogue/catalogue_fill.h"
#include "catalogue/preview_pins.h"
#include "controls/flex_grid.h"
#include "controls/progress_bar.h"
#include "controls/push_button.h"
#include "support/font_folder_fixture.h"

#include <QLabel>
#include <QLocale>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

struct CatalogueTest : FontFolderTest {
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
  ASSERT_TRUE(tree.folder("fonts/sub"));
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
  EXPECT_EQ(form.List1.List(0), "Alpha Serif" + kEntrySeparator + tree.q("fonts/sub/a.ttf"));
  EXPECT_TRUE(app.prompts.boxes.empty());
}

TEST_F(CatalogueTest, EqualNamesAreOrderedByPath) {
  ASSERT_TRUE(tree.folder("fonts/z"));
  font("z/x.ttf", "Same");
  font("y.ttf", "Same");
  filter("");
  ASSERT_EQ(form.List1.ListCount(), 2);
  EXPECT_TRUE(form.List1.List(0).endsWith("fonts/y.ttf"));
  EXPECT_TRUE(form.List1.List(1).endsWith("fonts/z/x.ttf"));
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
  list.AddItem("Only", tree.q("fonts/a.ttf"));
  FlexGrid grid;
  ProgressBar bar;
  fillCatalogueGrid(s, trap, grid, list, bar, {});
  EXPECT_DOUBLE_EQ(bar.Value(), 100.0);
  EXPECT_EQ(bar.Text(), "Loading font 1 from 1");
  EXPECT_TRUE(app.prompts.boxes.empty());
}

TEST_F(CatalogueTest, ABrokenFontFileIsReportedAndTheFillGoesOn) {
  font("good.ttf", "Good");
  ASSERT_TRUE(FontBuilder().withoutName().writeTo(tree.q("fonts/broken.ttf")));
  filter("");
  EXPECT_EQ(column(1), QStringList({"Good"}));
  ASSERT_FALSE(app.prompts.boxes.empty());
  for (const auto& box : app.prompts.boxes) {
    EXPECT_EQ(box.title, "Application Error");
    EXPECT_TRUE(box.text.startsWith("Subscript out of range\r\nin Typorama2021/08/31.Form1.LoadFonts at line "))
        << box.text.toStdString();
  }
}

TEST_F(CatalogueTest, PleaseWaitIsWrittenForEverySixthFileOfAFolder) {
  for (int i = 1; i <= 14; ++i) font("f" + std::to_string(i) + ".ttf", QStringLiteral("Font %1").arg(i));
  std::vector<std::pair<int, int>> shown;
  ErrorTrap trap(app.prompts, "Form1.LoadFonts");
  ListBox list;
  FactsByPath facts;
  PreviewPins pins(app.fonts);
  collectCatalogue(form.services(), trap, list, "", facts, pins,
                   [&](int i, int n, bool) { shown.emplace_back(i, n); });
  EXPECT_EQ(shown, (std::vector<std::pair<int, int>>{{6, 14}, {12, 14}}));
  EXPECT_EQ(list.ListCount(), 14);
}

TEST_F(CatalogueTest, UnknownFacesStayLoadedWhileTheGridShowsThem) {
  font("new.ttf", "Newface Regular");
  // The system does not know the family: the reader loads the file, and the catalogue keeps it.
  filter("");
  const QString path = tree.q("fonts/new.ttf");
  EXPECT_EQ(app.fonts.loadCounts.value(path), 1);
  filter("");  // a refill releases the old pin and takes a new one
  EXPECT_EQ(app.fonts.loadCounts.value(path), 1);
  form.Form_Unload();
  EXPECT_EQ(app.fonts.outstandingLoads(), 0);
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
  bool sawPleaseWait = false;
  app.yielder.onYield = [&](int) { sawPleaseWait = sawPleaseWait || form.form3() != nullptr; };
  form.Form_Load();
  EXPECT_TRUE(sawPleaseWait);
  EXPECT_EQ(form.form3(), nullptr);
  EXPECT_FALSE(form.StartupLoading);
  EXPECT_FALSE(form.isVisible());  // the caller shows the window after the fill
  EXPECT_EQ(form.MSFlexGrid1->Rows(), 6);
  EXPECT_EQ(form.MSFlexGrid1->FocusRect(), 0);
  EXPECT_EQ(form.MSFlexGrid1->SelectionMode(), 1);
  EXPECT_EQ(form.lblFontsInstalled->palette().color(QPalette::Base), QColor(Qt::white));
}

}  // namespace
