// The comparison window: faces added from either grid, by menu and by key, once each; removed one
// by one or all; at most 500; one text and one size on every line, each drawn from its own file.
#include "app/comparison_window.h"
#include "controls/comparison_list.h"
#include "support/font_folder_fixture.h"
#include "support/grid_menus.h"
#include "support/real_fonts.h"

#include <QAccessible>
#include <QListView>
#include <QSpinBox>
#include <QTest>
#include <map>

namespace {

const QStringList kRowFiles = {"DejaVuSansMono.ttf", "DejaVuSans.ttf", "DejaVuSerif.ttf"};  // in the grids' order

class ComparisonTest : public FontFolderTest {
 protected:
  void SetUp() override {
    FontFolderTest::SetUp();
    if (dejaVu("DejaVuSans.ttf").isEmpty()) GTEST_SKIP() << "DejaVu fonts are not installed";
    for (const QString& name : kRowFiles) place(name, "fonts/" + name.toStdString());
    refill();
  }
  ComparisonWindow* window() { return ComparisonWindow::of(&form); }
  // The menu item of the grid's row: run (as a click does) or only looked at.
  static bool menuItem(FlexGrid& grid, int row, const QString& text, bool run) {
    QMenu* menu = openGridMenu(grid, row);
    bool enabled = false;
    for (QAction* item : menu->actions())
      if (item->text() == text && (enabled = item->isEnabled()) && run) item->trigger();
    menu->close();
    QCoreApplication::processEvents();  // the item runs once the menu's click is over
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return enabled;
  }
  QStringList lines(int role) {
    QStringList out;
    for (int r = 0; r < window()->count(); ++r) out << window()->faces().index(r).data(role).toString();
    return out;
  }
};

// Either grid's menu or Ctrl+D adds the selected row's own file to the main window's one
// comparison, and selects the face added or found there already.
TEST_F(ComparisonTest, BothGridsAddTheSelectedRowOnceEachToOneWindow) {
  std::map<QString, QString> fcName;  // as fc-scan reads each file
  for (const RealFace& f : realFaces()) fcName[f.file.section('/', -1)] = f.fullName;
  form.PushButton2_Click();  // the full-window list
  FlexGrid& main = *form.MSFlexGrid1;
  FlexGrid& full = *form.form2()->MSFlexGrid1;
  EXPECT_FALSE(menuItem(main, 0, "Show Comparison", false));
  struct Step { bool byMenu; FlexGrid* grid; int row; QStringList files; };
  const Step steps[] = {
      {true, &main, 1, {"DejaVuSans.ttf"}},
      {false, &main, 1, {"DejaVuSans.ttf"}},  // there already
      {false, &main, 2, {"DejaVuSans.ttf", "DejaVuSerif.ttf"}},
      {true, &full, 0, {"DejaVuSans.ttf", "DejaVuSerif.ttf", "DejaVuSansMono.ttf"}},
      {false, &full, 1, {"DejaVuSans.ttf", "DejaVuSerif.ttf", "DejaVuSansMono.ttf"}},
  };
  for (const Step& step : steps) {
    step.grid->setRow(step.byMenu ? (step.row + 1) % 3 : step.row);  // the menu acts on the row clicked
    if (step.byMenu) menuItem(*step.grid, step.row, "Add to Comparison", true);
    else QTest::keyClick(step.grid, Qt::Key_D, Qt::ControlModifier);
    ASSERT_NE(window(), nullptr);
    QStringList files, names;
    for (int r = 0; r < window()->count(); ++r) files << window()->faces().at(r).path.section('/', -1);
    for (const QString& file : step.files) names << fcName[file];
    EXPECT_EQ(files, step.files);
    EXPECT_EQ(lines(Qt::AccessibleTextRole), names);  // each line named by its face's full name
    EXPECT_EQ(window()->list->currentIndex().row(), files.indexOf(kRowFiles[step.row]));
  }
  EXPECT_TRUE(window()->isVisible());
  EXPECT_EQ(form.findChildren<ComparisonWindow*>().size(), 1);
  EXPECT_TRUE(menuItem(full, 0, "Show Comparison", false));
}

TEST_F(ComparisonTest, RemovesTheSelectedLineOrAllAndHoldsAtMost500) {
  ComparisonWindow& w = *new ComparisonWindow(app.services, &form);
  for (const char* name : {"A", "B", "C"}) w.add(name, path(std::string("fonts/") + name), 0);
  w.list->setCurrentIndex(w.faces().index(2));
  QTest::keyClick(w.list, Qt::Key_Up);
  QTest::keyClick(w.list, Qt::Key_Delete);
  EXPECT_EQ(lines(Qt::DisplayRole), (QStringList{"A", "C"}));
  w.removeButton->click();  // the line that took its place
  EXPECT_EQ(lines(Qt::DisplayRole), QStringList{"A"});
  w.clearButton->click();
  EXPECT_EQ(w.count(), 0);

  for (int k = 0; k < ComparisonWindow::kMostFaces; ++k) EXPECT_TRUE(w.add("F", path("fonts/f" + std::to_string(k)), 0));
  form.MSFlexGrid1->setRow(0);
  QTest::keyClick(form.MSFlexGrid1, Qt::Key_D, Qt::ControlModifier);
  EXPECT_TRUE(w.add("F", path("fonts/f7"), 0));  // there already: no box
  EXPECT_EQ(w.count(), ComparisonWindow::kMostFaces);
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  EXPECT_TRUE(app.prompts.boxes[0].text.contains("500")) << app.prompts.boxes[0].text.toStdString();
}

// Every line draws the one text at the one size in its own file's face; a file gone shows its
// name and a note.
TEST_F(ComparisonTest, TextAndSizeReachEveryLineEachInItsOwnFace) {
  std::vector<RealFace> faces;
  for (const RealFace& f : realFaces())
    if (QStringList{"DejaVu Sans", "DejaVu Serif Bold", "Liberation Serif Italic"}.contains(f.fullName)) faces.push_back(f);
  ComparisonWindow& w = *new ComparisonWindow(app.services, &form, "");
  for (const RealFace& f : faces) w.add(f.fullName, f.file, 0);
  const QString gone = place("DejaVuSans.ttf", "gone.ttf");
  w.add("Gone", gone, 0);
  QFile::remove(gone);
  w.sampleSize->setValue(12);
  w.show();
  const auto grabAll = [&] {
    QCoreApplication::processEvents();
    std::vector<QImage> images;
    for (int r = 0; r < w.count(); ++r) images.push_back(w.list->viewport()->grab(w.list->visualRect(w.faces().index(r))).toImage());
    return images;
  };
  const std::vector<QImage> empty = grabAll();
  w.sampleText->setText("Hamburgefonstiv");
  const std::vector<QImage> small = grabAll();
  w.sampleSize->setValue(40);
  const std::vector<QImage> large = grabAll();
  const qreal pixels = 40 * w.list->logicalDpiY() / 72.0;
  ASSERT_EQ(faces.size(), 3u);
  for (int r = 0; r < 3; ++r) {
    EXPECT_NE(small[r], empty[r]) << r;  // the text's ink
    EXPECT_GT(large[r].height(), small[r].height()) << r;
    ASSERT_NE(w.faces().font(r), nullptr);
    EXPECT_EQ(w.faces().font(r)->familyName(), faces[r].family);
    EXPECT_EQ(w.faces().font(r)->pixelSize(), pixels);
  }
  EXPECT_EQ(small[3], empty[3]);  // the note, whatever the text

  // Screen readers: each line by its full name, telling what it shows.
  for (int r = 0; r < 4; ++r) {
    QAccessibleInterface* item = QAccessible::queryAccessibleInterface(w.list)->child(r);
    EXPECT_EQ(item->text(QAccessible::Name), r < 3 ? faces[r].fullName : "Gone");
    EXPECT_EQ(item->text(QAccessible::Description), r < 3 ? "Hamburgefonstiv" : kFaceUnreadable);
  }
  // The keyboard: text, size, list, buttons in turn.
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  w.sampleText->setFocus();
  QStringList order;
  for (int k = 0; k < 6; ++k) {
    order << QApplication::focusWidget()->accessibleName();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(order, (QStringList{"Sample text", "Sample size in points", "Fonts compared", "Remove the selected font",
                                "Remove all fonts", "Close"}));
}

}  // namespace
