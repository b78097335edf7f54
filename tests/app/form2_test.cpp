// The full-window list: the Maximize command and the window it fills, on real folders of
// generated fonts; and both windows for screen readers and under a dark palette.
#include "core/catalogue_entry.h"
#include "catalogue/collect_catalogue.h"
#include "catalogue/fill_grid.h"
#include "app/form2.h"
#include "controls/grid_mouse_wheel.h"
#include "controls/flex_grid.h"
#include "controls/progress_bar.h"
#include "controls/readable_color.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/font_system_linux.h"
#include "support/app_harness.h"
#include "support/font_builder.h"

#include "support/font_folder_fixture.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>
#include <QWindowStateChangeEvent>
#include <gtest/gtest.h>

namespace {

struct Form2Test : MemoryFontFolderTest {
  void TearDown() override { UnhookGridWheel(); }

  void threeFonts() {
    font("a.ttf", "Alpha Sans");
    font("b.ttf", "Beta Bold Italic", 0x21);  // italic, bold
    font("c.ttf", "Gamma Bold", 0x20);
  }
  // The main window as the user sees it: filled by Filter and shown.
  void mainWindowShowing() {
    form.PushButton1_Click();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  }
  static QStringList column(FlexGrid& grid, int col) {
    QStringList out;
    for (int r = 0; r < grid.Rows(); ++r) out << grid.TextMatrix(r, col);
    return out;
  }
  FlexGrid& grid2() { return *form.form2()->MSFlexGrid1; }
  // What a screen reader finds as the keys move (offscreen, Qt sends it no events but keeps their
  // state): the row they reach focused and selected, named by the font Delete and Ctrl+C act on.
  static void expectFollowed(FlexGrid& grid, const ListBox& list) {
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&grid);
    QAccessibleTableInterface* t = table->tableInterface();
    EXPECT_EQ(table->text(QAccessible::Name) + t->columnDescription(0) + t->columnDescription(1) + t->columnDescription(2),
              "FontsNumberFull nameSample");
    for (const auto& [key, row] : std::initializer_list<std::pair<Qt::Key, int>>{
             {Qt::Key_Home, 0}, {Qt::Key_Down, 1}, {Qt::Key_PageDown, -1}, {Qt::Key_End, 39}, {Qt::Key_Up, 38}}) {
      QTest::keyClick(&grid, key);
      const int expected = row < 0 ? grid.RowSel() : row;  // a page on
      QAccessibleInterface* cell = table->focusChild();
      ASSERT_TRUE(cell && cell->tableCellInterface() && (row >= 0 || expected > 1));
      EXPECT_EQ(cell->tableCellInterface()->rowIndex(), expected);
      EXPECT_EQ(t->selectedRows(), QList<int>{expected});
      EXPECT_EQ(cell->text(QAccessible::Name), list.ItemName(expected));
    }
  }
};

// Delivers a wheel turn as the application does for one from the mouse: to the widget under
// the pointer, then up through its parents until one accepts it or the window is reached.
void wheelOver(QWidget* over, int delta) {
  const QPointF at(10, 10);
  QWheelEvent event(at, over->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  for (QWidget* w = over; w; w = w->parentWidget()) {
    event.setAccepted(true);
    if (QApplication::sendEvent(w, &event) && event.isAccepted()) return;
    if (w->isWindow()) return;
  }
}

}  // namespace

TEST_F(Form2Test, MaximizeShowsTheCatalogueFullWindowInLargerType) {
  threeFonts();
  mainWindowShowing();
  form.PushButton2_Click();

  ASSERT_TRUE(form.hasForm2());
  Form2& list = *form.form2();
  EXPECT_TRUE(list.isVisible());
  EXPECT_TRUE(list.windowState() & Qt::WindowMaximized);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(list.windowTitle(), "Typorama");

  FlexGrid& grid = grid2();
  EXPECT_EQ(grid.ColWidth(0), 700);
  EXPECT_EQ(grid.ColWidth(1), 7250);
  EXPECT_EQ(grid.ColWidth(2), 7250);
  EXPECT_EQ(grid.RowHeightMin(), 500);
  EXPECT_DOUBLE_EQ(grid.FontSize(), 30);
  EXPECT_EQ(grid.FocusRect(), 0);
  EXPECT_EQ(grid.SelectionMode(), 1);
  EXPECT_EQ(grid.BackColor(), 0x80000005u);  // the window colour, where the main grid has the 3-D highlight
  EXPECT_EQ(form.MSFlexGrid1->BackColor(), 0x80000014u);

  EXPECT_EQ(column(grid, 0), QStringList({"1", "2", "3"}));
  EXPECT_EQ(column(grid, 1), QStringList({"Alpha Sans", "Beta Bold Italic", "Gamma Bold"}));
  EXPECT_EQ(column(grid, 2), QStringList({kSampleText, kSampleText, kSampleText}));
  // Each sample names its own face and carries its own file's style.
  EXPECT_EQ(grid.cellFontName(1, 2), "Beta Bold Italic");
  EXPECT_FALSE(grid.cellFont(0, 2).bold());
  EXPECT_TRUE(grid.cellFont(1, 2).bold());
  EXPECT_TRUE(grid.cellFont(1, 2).italic());
  EXPECT_TRUE(grid.cellFont(2, 2).bold());
  EXPECT_FALSE(grid.cellFont(2, 2).italic());
  EXPECT_EQ(grid.cellAlignment(2, 2), 1);
  // Striped from row 0, every column.
  EXPECT_EQ(grid.cellBackColor(0, 0), kEvenRowColor);
  EXPECT_EQ(grid.cellBackColor(0, 2), kEvenRowColor);
  EXPECT_EQ(grid.cellBackColor(1, 1), kOddRowColor);
  EXPECT_EQ(grid.cellBackColor(2, 2), kEvenRowColor);

  EXPECT_FALSE(form.Busy);
  EXPECT_EQ(form.MousePointer(), pointer::Default);
  EXPECT_EQ(form.ProgressBar1->Value(), 0);
  EXPECT_EQ(form.ProgressBar1->Text(), "Progress Bar");
  EXPECT_TRUE(app.prompts.boxes.empty());
}

TEST_F(Form2Test, FilterTextListsOnlyMatchesAndTheMainListStaysWithTheMainGrid) {
  threeFonts();
  mainWindowShowing();
  const QStringList mainNames = column(*form.MSFlexGrid1, 1);
  form.Text1->setText("BOLD");  // typed, but Filter not pressed
  form.PushButton2_Click();

  EXPECT_EQ(column(grid2(), 0), QStringList({"1", "2"}));
  EXPECT_EQ(column(grid2(), 1), QStringList({"Beta Bold Italic", "Gamma Bold"}));
  // Remove and Copy read the main list by the main grid's row: both still show all three.
  EXPECT_EQ(column(*form.MSFlexGrid1, 1), mainNames);
  ASSERT_EQ(form.List1.ListCount(), 3);
  EXPECT_TRUE(form.List1.List(0).startsWith("Alpha Sans" + kEntrySeparator));
  EXPECT_EQ(form.form2()->List1.ListCount(), 2);
}

TEST_F(Form2Test, NoFontsWarnsAndStillShowsTheEmptyList) {
  threeFonts();
  mainWindowShowing();
  form.Text1->setText("nothing like this");
  form.PushButton2_Click();

  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  EXPECT_EQ(app.prompts.boxes[0].text, noFontsFoundText());
  EXPECT_EQ(app.prompts.boxes[0].title, "Application Error");
  EXPECT_EQ(app.prompts.boxes[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(grid2().Rows(), 0);
  EXPECT_TRUE(form.form2()->isVisible());
  EXPECT_FALSE(form.Busy);
  EXPECT_EQ(form.ProgressBar1->Text(), "Progress Bar");
}

TEST_F(Form2Test, OneFontFillsWithoutAnError) {
  font("only.ttf", "Lonely Regular");
  form.PushButton2_Click();
  EXPECT_TRUE(app.prompts.boxes.empty());
  EXPECT_EQ(column(grid2(), 1), QStringList({"Lonely Regular"}));
}

TEST_F(Form2Test, AFailingStepIsReportedAndTheRunStillEnds) {
  threeFonts();
  writeText("fonts/broken.ttf", {});  // empty: no name records
  mainWindowShowing();
  app.prompts.boxes.clear();
  form.PushButton2_Click();

  ASSERT_FALSE(app.prompts.boxes.empty());
  EXPECT_TRUE(app.prompts.boxes[0].text.contains("in Typorama2021/08/31.Form1.PushButton2_Click at line "));
  EXPECT_TRUE(column(grid2(), 1).contains("Gamma Bold"));
  EXPECT_FALSE(form.Busy);
  EXPECT_EQ(form.MousePointer(), pointer::Default);
  EXPECT_EQ(form.ProgressBar1->Value(), 0);
  EXPECT_TRUE(form.form2()->isVisible());
  EXPECT_FALSE(form.isVisible());
}

TEST_F(Form2Test, BusyTurnsAwayMaximizeAndMaximizeTurnsAwayTheOthers) {
  threeFonts();
  mainWindowShowing();
  form.Busy = true;
  form.PushButton2_Click();
  EXPECT_FALSE(form.hasForm2());
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.MousePointer(), pointer::Default);
  form.Busy = false;

  // Clicks that arrive while the folder scan yields find Busy set and do nothing.
  const QStringList mainNames = column(*form.MSFlexGrid1, 1);
  form.Text1->setText("Alpha");
  bool busyDuringScan = false;
  bool clicked = false;
  app.yielder.onYield = [&](int) {
    if (clicked) return;
    clicked = true;
    busyDuringScan = form.Busy;
    form.PushButton1_Click();  // Filter
    form.PushButton2_Click();  // Maximize again
    form.PushButton6_Click();  // export to Word
    form.PushButton8_Click();  // export to Excel
  };
  form.PushButton2_Click();
  EXPECT_TRUE(clicked);
  EXPECT_TRUE(busyDuringScan);
  EXPECT_EQ(column(*form.MSFlexGrid1, 1), mainNames);
  EXPECT_EQ(form.List1.ListCount(), 3);
  EXPECT_TRUE(app.prompts.saveRequests.empty());
  EXPECT_TRUE(app.prompts.boxes.empty());
  EXPECT_EQ(column(grid2(), 1), QStringList({"Alpha Sans"}));
  EXPECT_FALSE(form.Busy);
}

TEST_F(Form2Test, ClosingTheListBringsBackTheMainWindowUnchanged) {
  threeFonts();
  mainWindowShowing();
  const QStringList mainNames = column(*form.MSFlexGrid1, 1);
  const int mainLoads = app.fonts.outstandingLoads();
  form.Text1->setText("Gamma");
  form.PushButton2_Click();
  Form2* list = form.form2();
  EXPECT_GT(app.fonts.outstandingLoads(), mainLoads);  // its own faces for its own samples
  list->MSFlexGrid1->grab();
  EXPECT_EQ(list->MSFlexGrid1->fontFilesHeld(), 1u);  // the one sample drawn, from its file
  list->MSFlexGrid1_GotFocus();
  EXPECT_EQ(HookedForm(), list);

  const int yields = app.yielder.count;
  EXPECT_TRUE(list->close());
  EXPECT_FALSE(list->isVisible());
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(app.yielder.count, yields + 2);
  EXPECT_EQ(HookedForm(), nullptr);
  EXPECT_EQ(column(*form.MSFlexGrid1, 1), mainNames);
  EXPECT_EQ(form.List1.ListCount(), 3);
  EXPECT_EQ(app.fonts.outstandingLoads(), mainLoads);
  EXPECT_EQ(list->MSFlexGrid1->fontFilesHeld(), 0u);

  // The next Maximize fills it afresh.
  form.Text1->setText("");
  form.PushButton2_Click();
  EXPECT_TRUE(form.form2()->isVisible());
  EXPECT_EQ(grid2().Rows(), 3);
  EXPECT_DOUBLE_EQ(grid2().FontSize(), 30);
}

TEST_F(Form2Test, ClosingTheMainWindowClosesTheListToo) {
  threeFonts();
  mainWindowShowing();
  form.PushButton2_Click();
  QPointer<Form2> list = form.form2();
  ASSERT_TRUE(list->isVisible());

  EXPECT_TRUE(form.close());
  EXPECT_FALSE(form.hasForm2());
  ASSERT_TRUE(list);
  EXPECT_FALSE(list->isVisible());
  EXPECT_FALSE(form.isVisible());  // the list does not bring back a closing main window
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(list);
  EXPECT_EQ(app.fonts.outstandingLoads(), 0);
}

TEST_F(Form2Test, ClosingTheMainWindowDuringTheScanEndsTheRunQuietly) {
  threeFonts();
  mainWindowShowing();
  bool closed = false;
  QPointer<Form2> list;
  app.yielder.onYield = [&](int) {
    if (closed) return;
    closed = true;
    list = form.form2();
    form.close();
  };
  form.PushButton2_Click();
  EXPECT_TRUE(closed);
  EXPECT_FALSE(form.isVisible());
  if (list) EXPECT_FALSE(list->isVisible());  // not shown for a main window that is gone
  EXPECT_FALSE(form.hasForm2());
  EXPECT_FALSE(form.Busy);
  EXPECT_TRUE(app.prompts.boxes.empty());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(app.fonts.outstandingLoads(), 0);
}

TEST_F(Form2Test, TheGridFillsTheWindowWithNoMargin) {
  threeFonts();
  form.PushButton2_Click();
  Form2& list = *form.form2();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
  EXPECT_EQ(grid2().geometry(), list.rect());
  list.showNormal();
  list.resize(517, 301);
  QCoreApplication::processEvents();
  EXPECT_EQ(grid2().geometry(), QRect(0, 0, 517, 301));
}

TEST_F(Form2Test, AClickSelectsTheWholeRowAndTheWheelPagesThroughTheList) {
  for (int i = 0; i < 40; ++i) font(QString("f%1.ttf").arg(i, 2, 10, QChar('0')).toStdString(),
                                    QString("Face %1").arg(i, 2, 10, QChar('0')));
  form.PushButton2_Click();
  Form2& list = *form.form2();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
  FlexGrid& grid = grid2();
  ASSERT_EQ(grid.Rows(), 40);
  const int step = std::max(10, grid.Height() / grid.RowHeight(0));

  list.MSFlexGrid1_LostFocus();
  wheelOver(grid.viewport(), -120);
  EXPECT_EQ(grid.TopRow(), 0);  // not before the grid has the focus or a click

  const QRect row1 = grid.visualRect(grid.model()->index(1, 1));
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, row1.center());
  EXPECT_EQ(grid.Row(), 1);
  EXPECT_EQ(grid.Col(), 0);
  EXPECT_EQ(grid.ColSel(), 2);
  EXPECT_EQ(HookedForm(), &list);

  wheelOver(grid.viewport(), -120);
  EXPECT_EQ(grid.TopRow(), step);
  wheelOver(grid.viewport(), 120);
  EXPECT_EQ(grid.TopRow(), 0);

  list.MSFlexGrid1_LostFocus();
  wheelOver(grid.viewport(), -120);
  EXPECT_EQ(grid.TopRow(), 0);
}

TEST_F(Form2Test, AScreenReaderFollowsBothGridsAndEscapeLeavesTheList) {
  for (int i = 0; i < 40; ++i) font(std::to_string(i) + ".ttf", QString("Face %1").arg(i, 2, 10, QChar('0')));
  form.Form_Load();
  mainWindowShowing();
  expectFollowed(*form.MSFlexGrid1, form.List1);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(form.Text1)->text(QAccessible::Name), "Filter text");
  form.ProgressBar1->setValue(37.5);
  QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(form.ProgressBar1);
  EXPECT_EQ(bar->text(QAccessible::Name) + " " + bar->valueInterface()->currentValue().toString(), "Progress Bar 37.5");
  form.PushButton2->setFocus();
  form.PushButton2_Click();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.form2()));
  expectFollowed(grid2(), form.form2()->List1);
  QTest::keyClick(&grid2(), Qt::Key_Escape);  // back where the focus was
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  EXPECT_EQ(QApplication::focusWidget(), form.PushButton2);
}

// The contrast of the colour standing out most in a widget's inside, or a cell, to its top-left pixel.
double textContrast(QWidget* w, QRect area = {}) {
  const QImage image = w->grab().toImage();
  area = area.isNull() ? image.rect().adjusted(4, 4, -4, -4) : area.adjusted(1, 1, -2, -2);
  double most = 1;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      most = std::max(most, contrastRatio(image.pixelColor(area.topLeft()), image.pixelColor(x, y)));
  return most;
}

// Every row, label and button reaches WCAG AA on the pixels drawn, under a dark palette and the light one.
TEST_F(Form2Test, EveryTextReadsUnderADarkAndTheLightPalette) {
  EXPECT_NEAR(contrastRatio(QColor("#767676"), Qt::white), 4.54, 0.01);  // WCAG's own figure
  threeFonts();
  const QPalette light = QApplication::palette();
  for (const QPalette& palette : {QPalette(QColor(53, 53, 53), QColor(53, 53, 53)), light}) {
    QApplication::setPalette(palette);
    Form1 f(app.services);  // made under the palette, as at a start in that theme
    f.Form_Load();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    f.MSFlexGrid1->setRow(1);
    f.MSFlexGrid1_Click();  // rows: light blue, selected, the 3-D highlight
    f.Text1->setText("a");
    for (QWidget* w : f.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (w != f.MSFlexGrid1 && w->y() < f.height()) EXPECT_GE(textContrast(w), 4.5) << w->metaObject()->className();
    FlexGrid* grid = f.MSFlexGrid1;
    const auto cell = [&](int row, int col) { return textContrast(grid->viewport(), grid->visualRect(grid->model()->index(row, col))); };
    for (int row : {0, 1, 2}) EXPECT_GE(std::min(cell(row, 0), cell(row, 1)), 4.5) << row;
    const QImage focused = grid->viewport()->grab().toImage();
    f.Text1->setFocus();  // the selection once the grid has lost the focus: another colour, as readable
    EXPECT_NE(grid->viewport()->grab().toImage(), focused);
    EXPECT_GE(cell(1, 1), 4.5);
  }
  QApplication::setPalette(light);
}

TEST_F(Form2Test, PointerMovesKeepTheHourglass) {
  threeFonts();
  form.PushButton2_Click();
  Form2& list = *form.form2();
  list.setMousePointer(pointer::Hourglass);
  QTest::mouseMove(list.MSFlexGrid1->viewport(), QPoint(5, 5));
  list.pointerRulePlain();
  EXPECT_EQ(list.MousePointer(), pointer::Hourglass);
  list.setMousePointer(pointer::Custom);
  list.pointerRulePlain();
  EXPECT_EQ(list.MousePointer(), pointer::Default);
}

// Not a check: draws the full-window list with the fonts this machine's font configuration
// names, for a person to look at. Runs only when TYPORAMA_FORM2_SHOT names a PNG to write.
TEST(Form2Picture, SavesTheFullWindowList) {
  const QString out = qEnvironmentVariable("TYPORAMA_FORM2_SHOT");
  if (out.isEmpty()) GTEST_SKIP() << "set TYPORAMA_FORM2_SHOT to a PNG path";
  FakePrompts prompts;
  FakeYielder yielder;
  FakeRandom random;
  LinuxFileSystem fs;
  LinuxFontSystem fonts;
  FakeDesktop desktop;
  AppServices services{prompts, yielder, random, fs, fonts, desktop};
  Form1 form(services);
  form.Form_Load();
  form.show();
  form.PushButton2_Click();
  Form2& list = *form.form2();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
  if (!(list.windowState() & Qt::WindowMaximized) || list.width() < 400)
    list.setGeometry(list.screen()->availableGeometry());  // no window manager to maximise it
  QTest::qWait(200);
  EXPECT_TRUE(list.grab().save(out));
  EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(Form2Test, RestoredFromMaximisedTheWindowAndItsFrameFitTheWorkingArea) {
  threeFonts();
  form.PushButton2_Click();
  Form2& list = *form.form2();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
  const QRect area = list.screen()->availableGeometry();
  // Restored to the whole working area, a window manager's frame would stick out above and below.
  list.setWindowState(Qt::WindowNoState);
  list.setGeometry(area.adjusted(0, -30, 0, 30));
  QWindowStateChangeEvent restored(Qt::WindowMaximized);
  QApplication::sendEvent(&list, &restored);
  QCoreApplication::processEvents();
  EXPECT_TRUE(area.contains(list.frameGeometry())) << list.frameGeometry().y() << " " << list.frameGeometry().height();
  // A window placed inside the area stays where it is.
  list.setGeometry(area.x() + 10, area.y() + 20, 517, 301);
  QApplication::sendEvent(&list, &restored);
  QCoreApplication::processEvents();
  EXPECT_EQ(list.geometry(), QRect(area.x() + 10, area.y() + 20, 517, 301));
}
