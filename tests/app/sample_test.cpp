// The user's own sample in the windows: the dialog and its shortcut, the words and the size in both
// grids without reading a file again, kept between runs; and faces that show text they can draw.
#include "app/form2.h"
#include "app/sample_dialog.h"
#include "app/user_settings.h"
#include "support/font_folder_fixture.h"
#include "support/grid_menus.h"
#include "support/private_fonts.h"

#include <QAccessible>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

namespace {

class SampleTest : public FontFolderTest {
 protected:
  void SetUp() override {
    FontFolderTest::SetUp();
    if (dejaVu("DejaVuSans.ttf").isEmpty()) GTEST_SKIP() << "DejaVu fonts are not installed";
    place("DejaVuSans.ttf", "fonts/DejaVuSans.ttf");
    // Faces of one script each, some with a sample text of their own (tests/support/opentype_fonts.py).
    ASSERT_TRUE(makeFolder(path("fonts/samples")));
    const QString made = makeOpenTypeFonts({"samples", path("fonts/samples")});
    ASSERT_TRUE(made.isEmpty()) << "fontTools (python3-fonttools) is needed: " << made.toStdString();
    refill();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  }
  void TearDown() override { saveSample(SampleSettings()); }

  static QStringList samples(FlexGrid& grid, int role = Qt::DisplayRole) {
    QStringList out;
    for (int r = 0; r < grid.Rows(); ++r) out << grid.model()->index(r, 2).data(role).toString();
    return out;
  }
  static QStringList distinct(QStringList texts) {
    texts.removeDuplicates();
    return texts;
  }
  int rowOf(const QString& fullName) { return gridNames().indexOf(fullName); }
  SampleDialog* openDialog() {
    form.MSFlexGrid1->setFocus();
    QTest::keyClick(form.MSFlexGrid1, Qt::Key_T, Qt::ControlModifier);
    return form.findChild<SampleDialog*>();
  }
};

}  // namespace

TEST_F(SampleTest, TheDialogSetsTheWordsAndSizeOfBothGridsWithoutReadingAFile) {
  form.PushButton2_Click();  // the full-window list, open beside
  FlexGrid& main = *form.MSFlexGrid1;
  FlexGrid& list = *form.form2()->MSFlexGrid1;
  list.grab();
  main.grab();
  const int loads = main.fontFileLoads(), listLoads = list.fontFileLoads();
  const int mainHeight = main.rowHeight(0), listHeight = list.rowHeight(0);
  SampleDialog* dialog = openDialog();
  ASSERT_TRUE(dialog && dialog->isVisible());
  EXPECT_EQ(dialog->text->text(), kSampleText);
  EXPECT_EQ(dialog->size->text(), "Standard");

  // A control character is refused with the reason; nothing changes and the dialog stays.
  dialog->text->setText("a\tb");
  dialog->accept();
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  EXPECT_TRUE(app.prompts.boxes[0].text.contains("U+0009")) << app.prompts.boxes[0].text.toStdString();
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(distinct(samples(main)), QStringList{kSampleText});

  const QString words = QString::fromUtf8("Ωμέγα שָׁלוֹם fi");
  dialog->text->setText(words);
  dialog->size->setValue(40);
  dialog->accept();
  for (FlexGrid* grid : {&main, &list}) {
    EXPECT_EQ(distinct(samples(*grid)), QStringList{words});
    grid->grab();
  }
  EXPECT_EQ(main.fontFileLoads(), loads);  // the faces held are drawn at the new size
  EXPECT_EQ(list.fontFileLoads(), listLoads);
  EXPECT_GT(main.rowHeight(0), mainHeight);  // 40 points need taller rows; twice that in the list
  EXPECT_GT(list.rowHeight(0), main.rowHeight(0));
  EXPECT_EQ(savedSample(), (SampleSettings{words, 40, false}));

  // One click back to the standard sample, kept too.
  openDialog()->standard->click();
  EXPECT_EQ(form.sample(), SampleSettings());
  EXPECT_EQ(savedSample(), SampleSettings());
  EXPECT_EQ(distinct(samples(list)), QStringList{kSampleText});
  EXPECT_EQ(main.rowHeight(0), mainHeight);
  EXPECT_EQ(list.rowHeight(0), listHeight);
}

// Expected texts are those tests/support/opentype_fonts.py gives the faces.
TEST_F(SampleTest, FacesWithoutTheSamplesGlyphsShowTheirOwnAndSaySo) {
  FlexGrid& grid = *form.MSFlexGrid1;
  const int sans = rowOf("DejaVu Sans"), hebrew = rowOf("Samples Hebrew"), greek = rowOf("Samples Greek");
  ASSERT_TRUE(sans >= 0 && hebrew >= 0 && greek >= 0) << gridNames().join(',').toStdString();
  QMenu* menu = openGridMenu(grid, hebrew);
  ASSERT_TRUE(menu);
  QAction* ownScript = menu->actions().value(9);
  ASSERT_EQ(ownScript->text(), "Samples in Each Font's Own Script");
  EXPECT_FALSE(ownScript->isChecked());
  ownScript->trigger();  // checks it
  QCoreApplication::processEvents();
  EXPECT_TRUE(savedSample().ownScript);

  const QStringList shown = samples(grid), notes = samples(grid, Qt::ToolTipRole);
  EXPECT_EQ(shown[sans], kSampleText);
  EXPECT_EQ(notes[sans], "");
  EXPECT_EQ(shown[hebrew], QString::fromUtf8("שלום עולם"));
  EXPECT_TRUE(notes[hebrew].startsWith("Shows the font's own sample text")) << notes[hebrew].toStdString();
  EXPECT_TRUE(notes[greek].startsWith("Shows a Greek sample")) << notes[greek].toStdString();
  // A screen reader hears the text shown and the note.
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&grid);
  QAccessibleInterface* cell = table->tableInterface()->cellAt(hebrew, 2);
  EXPECT_EQ(cell->text(QAccessible::Name), shown[hebrew]);
  EXPECT_EQ(cell->text(QAccessible::Description), notes[hebrew]);

  // A Greek sample text is one the Greek face holds; the others keep their own.
  SampleSettings greekWords = form.sample();
  greekWords.text = QString::fromUtf8("Γειά σου");
  form.setSample(greekWords);
  EXPECT_EQ(samples(grid)[greek], greekWords.text);
  EXPECT_EQ(samples(grid, Qt::ToolTipRole)[greek], "");
  EXPECT_EQ(samples(grid)[hebrew], QString::fromUtf8("שלום עולם"));

  greekWords.ownScript = false;
  form.setSample(greekWords);
  EXPECT_EQ(distinct(samples(grid)), QStringList{greekWords.text});
  EXPECT_EQ(distinct(samples(grid, Qt::ToolTipRole)), QStringList{QString()});
}
