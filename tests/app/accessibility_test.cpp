// What users other than a sighted mouse user with a light theme meet: what a screen reader
// reads of both grids as the keys move, Escape out of the full-window list, and the contrast of
// every row, label and button under a light and two dark palettes.
#include "app/form2.h"
#include "controls/progress_bar.h"
#include "controls/readable_color.h"
#include "support/font_folder_fixture.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QStyle>
#include <QTest>
#include <map>

namespace {

// Many fonts, so that the keys have pages to move through. (Offscreen, Qt sends no accessibility
// events; the focus and selection events come from Qt's view as its current index and selection
// change, which is what is checked here.)
struct ScreenReaderTest : MemoryFontFolderTest {
  void SetUp() override {
    MemoryFontFolderTest::SetUp();
    for (int i = 0; i < 40; ++i)
      font(QString("f%1.ttf").arg(i, 2, 10, QChar('0')).toStdString(), QString("Face %1").arg(i, 2, 10, QChar('0')));
  }

  // Keys move the grid's row; the screen reader finds the cell they reach focused, its row the
  // one selected, and reads the name of the font that Delete and Ctrl+C act on.
  void expectHeardAsTheKeysMove(FlexGrid& grid, const ListBox& list) {
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&grid);
    ASSERT_TRUE(table && table->tableInterface());
    EXPECT_EQ(table->text(QAccessible::Name), "Fonts");
    QAccessibleTableInterface& t = *table->tableInterface();
    EXPECT_EQ(QStringList({t.columnDescription(0), t.columnDescription(1), t.columnDescription(2)}),
              QStringList({"Number", "Full name", "Sample"}));
    grid.setFocus();
    // The fill leaves the last row current: Home first.
    const std::pair<Qt::Key, int> moves[] = {{Qt::Key_Home, 0}, {Qt::Key_Down, 1},  {Qt::Key_Down, 2},
                                             {Qt::Key_PageDown, -1}, {Qt::Key_End, 39}, {Qt::Key_Up, 38}};
    for (const auto& [key, expected] : moves) {
      QTest::keyClick(&grid, key);
      const int row = expected >= 0 ? expected : grid.RowSel();
      SCOPED_TRACE(row);
      EXPECT_GT(row, expected == -1 ? 2 : -1);
      QAccessibleInterface* focused = table->focusChild();
      ASSERT_TRUE(focused && focused->tableCellInterface());
      EXPECT_EQ(focused->tableCellInterface()->rowIndex(), row);
      EXPECT_TRUE(focused->state().focused);
      EXPECT_EQ(focused->text(QAccessible::Name), list.ItemName(grid.RowSel()));
      EXPECT_EQ(t.selectedRows(), QList<int>{row});
    }
  }
};

TEST_F(ScreenReaderTest, TheMainGridAndItsControlsAreNamedAndFollowed) {
  form.Form_Load();
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  expectHeardAsTheKeysMove(*form.MSFlexGrid1, form.List1);

  EXPECT_EQ(QAccessible::queryAccessibleInterface(form.Text1)->text(QAccessible::Name), "Filter text");
  QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(form.ProgressBar1);
  ASSERT_TRUE(bar->valueInterface());
  EXPECT_EQ(bar->role(), QAccessible::ProgressBar);
  form.ProgressBar1->setValue(37.5);
  form.ProgressBar1->setText("Loading font 16 from 40");
  EXPECT_EQ(bar->text(QAccessible::Name), "Loading font 16 from 40");
  EXPECT_EQ(bar->text(QAccessible::Value), "38%");
  EXPECT_EQ(bar->valueInterface()->currentValue().toDouble(), 37.5);
  EXPECT_EQ(bar->valueInterface()->maximumValue().toDouble(), 100);
  form.Form_Unload();
}

TEST_F(ScreenReaderTest, TheFullWindowListIsFollowedAndEscapeReturnsToTheMainWindow) {
  form.Form_Load();
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  form.PushButton2->setFocus();
  form.PushButton2_Click();
  Form2& list = *form.form2();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
  expectHeardAsTheKeysMove(*list.MSFlexGrid1, list.List1);

  QTest::keyClick(list.MSFlexGrid1, Qt::Key_Escape);
  EXPECT_FALSE(list.isVisible());
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  EXPECT_EQ(QApplication::focusWidget(), form.PushButton2);
  form.Form_Unload();
}

// The ratio of the text to its background in a part of a picture: the background is the
// commonest colour, the text the one that stands out most from it.
double textContrast(const QImage& image, const QRect& area) {
  std::map<QRgb, int> counts;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) ++counts[image.pixel(x, y)];
  const QColor back = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
  double best = 1;
  for (const auto& [rgb, n] : counts) best = std::max(best, contrastRatio(back, QColor(rgb)));
  return best;
}

TEST(Contrast, ReferenceValues) {
  // Published WCAG figures: the extremes, and the greys just above and below AA on white.
  EXPECT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 0.01);
  EXPECT_NEAR(contrastRatio(QColor("#767676"), Qt::white), 4.54, 0.01);
  EXPECT_NEAR(contrastRatio(QColor("#777777"), Qt::white), 4.48, 0.01);
  EXPECT_NEAR(contrastRatio(QColor(191, 219, 255), Qt::white), 1.42, 0.01);  // "1.4:1"
  EXPECT_EQ(readableOn(QColor(191, 219, 255), Qt::white), QColor(Qt::black));
  EXPECT_EQ(readableOn(Qt::white, QColor("#767676")), QColor("#767676"));
}

// Every row, label and button of both windows reaches WCAG AA (4.5:1), measured on the pixels
// drawn, under the light palette and two dark ones: one derived whole from its dark colours,
// one that sets only the usual roles and leaves the others light.
TEST(Contrast, EveryTextReadsUnderLightAndDarkPalettes) {
  QPalette partial = QApplication::style()->standardPalette();
  for (const auto& [role, color] : std::initializer_list<std::pair<QPalette::ColorRole, QColor>>{
           {QPalette::Window, QColor(53, 53, 53)},  {QPalette::WindowText, Qt::white}, {QPalette::Base, QColor(42, 42, 42)},
           {QPalette::Text, Qt::white},             {QPalette::Button, QColor(53, 53, 53)}, {QPalette::ButtonText, Qt::white},
           {QPalette::Highlight, QColor(42, 130, 218)}, {QPalette::HighlightedText, Qt::white}})
    partial.setColor(role, color);
  const std::pair<const char*, QPalette> palettes[] = {
      {"light", QApplication::style()->standardPalette()},
      {"dark", QPalette(QColor(53, 53, 53), QColor(53, 53, 53))},
      {"partly-dark", partial}};
  const QPalette before = QApplication::palette();
  for (const auto& [paletteName, palette] : palettes) {
    SCOPED_TRACE(paletteName);
    QApplication::setPalette(palette);
    BasicAppHarness<FakeFileSystem> h;  // made under the palette, as at a start in that theme
    h.fonts.fontsFolder = "/fonts/";
    for (const char* name : {"a", "b", "c", "d"})
      h.fs.writeFile(QString("/fonts/%1.ttf").arg(name),
                     FontBuilder().name(3, 0x409, 1, u"Face").name(3, 0x409, 4, QString("Face ") + name).build());
    Form1& f = *h.form;
    f.Form_Load();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    FlexGrid& grid = *f.MSFlexGrid1;
    grid.setRow(2);
    f.MSFlexGrid1_Click();  // row 2 selected; row 0 light blue, row 1 the 3-D highlight
    f.Text1->setText("Face");
    const auto cell = [&](FlexGrid& g, int row, int col) {
      return QRect(g.viewport()->mapTo(g.window(), g.visualRect(g.model()->index(row, col)).topLeft()),
                   g.visualRect(g.model()->index(row, col)).size()).adjusted(1, 1, -2, -2);
    };
    const auto inner = [](QWidget* w) { return QRect(w->mapTo(w->window(), QPoint()), w->size()).adjusted(4, 4, -4, -4); };
    std::map<QString, QRect> parts = {
        {"row 0", cell(grid, 0, 1)}, {"row 1", cell(grid, 1, 1)}, {"selected row", cell(grid, 2, 1)},
        {"number", cell(grid, 1, 0)}, {"label", inner(f.lblFontsInstalled)}, {"filter text", inner(f.Text1)},
        {"progress bar", inner(f.ProgressBar1)}};
    for (int b : {1, 2, 3, 4, 5, 6, 8}) parts[QString("button %1").arg(b)] = inner(&f.button(b));
    QImage shot = f.grab().toImage();
    shot.save(QDir::temp().filePath(QString("typorama_contrast_%1.png").arg(paletteName)));
    for (const auto& [part, area] : parts) EXPECT_GE(textContrast(shot, area), 4.5) << part.toStdString();

    f.Text1->setFocus();  // the selection without the focus: another colour, as readable
    const QImage unfocused = f.grab().toImage();
    EXPECT_NE(unfocused.pixel(cell(grid, 2, 1).topLeft()), shot.pixel(cell(grid, 2, 1).topLeft()));
    EXPECT_GE(textContrast(unfocused, cell(grid, 2, 1)), 4.5);

    f.PushButton2_Click();
    Form2& list = *f.form2();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    const QImage full = list.grab().toImage();
    full.save(QDir::temp().filePath(QString("typorama_contrast_%1_list.png").arg(paletteName)));
    for (int row : {0, 1})
      EXPECT_GE(textContrast(full, cell(*list.MSFlexGrid1, row, 1)), 4.5) << "list row " << row;
    f.Form_Unload();
  }
  QApplication::setPalette(before);
}

}  // namespace
