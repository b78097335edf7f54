#include "core/runtime_error.h"
#include "catalogue/collect_catalogue.h"
#include "catalogue/fill_grid.h"
#include "controls/flex_grid.h"

#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QImage>
#include <QPalette>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <map>

namespace {

int errorNumber(const std::function<void()>& action) {
  try {
    action();
  } catch (const RuntimeError& e) {
    return e.number;
  }
  return 0;
}

// The shading pass the catalogue runs after a fill.
void stripe(FlexGrid& grid, uint32_t even, uint32_t odd) { StripeGridRows(grid, even, odd); }

// Counts paint events of a widget.
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
};

constexpr uint32_t kLightBlue = 0x00FFDBBF;  // RGB(191, 219, 255)

}  // namespace

TEST(FlexGrid, CurrentCellAndSelection) {
  FlexGrid grid;
  grid.setRows(10);
  grid.setRow(3);
  grid.setCol(2);
  grid.setRowSel(7);
  grid.setColSel(0);
  EXPECT_EQ(grid.RowSel(), 7);
  EXPECT_EQ(grid.ColSel(), 0);

  grid.setRow(5);  // collapses the selection onto (5, 2)
  EXPECT_EQ(grid.RowSel(), 5);
  EXPECT_EQ(grid.ColSel(), 2);

  grid.setRowSel(8);
  grid.setColSel(1);
  grid.setCol(0);  // setting the column collapses too
  EXPECT_EQ(grid.Row(), 5);
  EXPECT_EQ(grid.RowSel(), 5);
  EXPECT_EQ(grid.ColSel(), 0);

  EXPECT_EQ(errorNumber([&] { grid.setRow(10); }), 381);
  EXPECT_EQ(errorNumber([&] { grid.setCol(-1); }), 381);
  EXPECT_EQ(errorNumber([&] { grid.setColSel(3); }), 381);
  EXPECT_EQ(grid.Row(), 5);

  grid.setRows(2);  // shrinking keeps the current cell inside the grid
  EXPECT_EQ(grid.Row(), 1);
  EXPECT_EQ(grid.RowSel(), 1);
}

TEST(FlexGrid, RowsResizeKeepsCellsAndClearKeepsRows) {
  FlexGrid grid;
  grid.setRows(3);
  grid.setTextMatrix(1, 1, "kept");
  grid.setRow(1);
  grid.setCol(2);
  grid.setCellFontName("DejaVu Sans");
  grid.setCellBackColor(0x000000FF);
  grid.setRows(5000);
  EXPECT_EQ(grid.TextMatrix(1, 1), "kept");
  EXPECT_EQ(grid.cellFontName(1, 2), "DejaVu Sans");
  EXPECT_EQ(grid.TextMatrix(4999, 2), "");

  grid.setCols(4);  // adding a column keeps every row's cells in place
  EXPECT_EQ(grid.TextMatrix(1, 1), "kept");
  EXPECT_EQ(grid.cellBackColor(1, 2), 0x000000FFu);

  grid.Clear();
  EXPECT_EQ(grid.Rows(), 5000);
  EXPECT_EQ(grid.TextMatrix(1, 1), "");
  EXPECT_EQ(grid.cellBackColor(1, 2), 0x80000014u);  // back to the grid's colour
  EXPECT_EQ(grid.cellFontName(1, 2), grid.cellFontName(0, 1));
  EXPECT_EQ(grid.cellAlignment(1, 2), 9);

  EXPECT_EQ(errorNumber([&] { grid.setRows(-1); }), 380);
  EXPECT_EQ(errorNumber([&] { grid.TextMatrix(5000, 0); }), 9);
  EXPECT_EQ(errorNumber([&] { grid.setTextMatrix(0, 4, "x"); }), 9);
  EXPECT_EQ(errorNumber([&] { grid.cellFont(-1, 0); }), 9);
}

TEST(FlexGrid, FillStyleDecidesWhichCellsAFormatReaches) {
  FlexGrid grid;
  grid.setRows(4);
  grid.setRow(1);
  grid.setCol(2);
  grid.setColSel(0);
  grid.setCellBackColor(0x00112233);  // FillStyle 0: the current cell only
  EXPECT_EQ(grid.cellBackColor(1, 2), 0x00112233u);
  EXPECT_EQ(grid.cellBackColor(1, 1), 0x80000014u);
  EXPECT_EQ(grid.cellBackColor(1, 0), 0x8000000Fu);  // fixed column: button face

  grid.setFillStyle(1);
  grid.setRowSel(2);
  grid.setCellFontBold(false);  // the rectangle (1..2, 0..2)
  for (int r = 1; r <= 2; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_FALSE(grid.cellFont(r, c).bold()) << r << "," << c;
  EXPECT_TRUE(grid.cellFont(0, 1).bold());  // the base font is bold
  EXPECT_TRUE(grid.cellFont(3, 1).bold());
}

TEST(FlexGrid, StripingColoursEveryCellOfEveryRow) {
  FlexGrid grid;
  grid.setRows(5);
  grid.setRow(0);
  grid.setCol(2);
  stripe(grid, kLightBlue, 0x80000014);
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 3; ++c)
      EXPECT_EQ(grid.cellBackColor(r, c), r % 2 == 0 ? kLightBlue : 0x80000014u) << r << "," << c;
  EXPECT_EQ(grid.Row(), 4);  // the last row is left current, the selection collapsed on it
  EXPECT_EQ(grid.RowSel(), 4);
  EXPECT_TRUE(grid.Redraw());
  EXPECT_EQ(grid.FillStyle(), 0);

  grid.setRows(0);  // an empty grid: the pass does nothing and fails nowhere
  EXPECT_EQ(errorNumber([&] { stripe(grid, kLightBlue, 0x80000014); }), 0);
}

TEST(FlexGrid, SizesInTwips) {
  FlexGrid grid;
  grid.setRows(3);
  grid.setFontSize(15);
  grid.setRowHeightMin(500);
  // 500 twips are 33.3 pixels: rows take the nearest whole pixel, as every size does.
  EXPECT_EQ(grid.rowHeight(0), 33);
  EXPECT_EQ(grid.RowHeight(2), 495);
  EXPECT_EQ(grid.RowHeightMin(), 500);

  // Rows are uniform, whatever font a cell has.
  grid.setRow(1);
  grid.setCol(2);
  grid.setCellFontName("DejaVu Serif");
  grid.setFontSize(9);
  EXPECT_EQ(grid.rowHeight(1), grid.rowHeight(0));
  EXPECT_EQ(grid.rowHeight(0), 33);

  // A base font taller than the minimum raises every row.
  grid.setFontSize(30);
  EXPECT_GT(grid.rowHeight(0), 33);
  EXPECT_EQ(grid.rowHeight(0), grid.rowHeight(2));
  EXPECT_DOUBLE_EQ(grid.FontSize(), 30);

  grid.setColWidth(0, 650);
  grid.setColWidth(1, 4300);
  EXPECT_EQ(grid.columnWidth(0), 43);
  EXPECT_EQ(grid.columnWidth(1), 287);
  EXPECT_EQ(grid.ColWidth(1), 4300);
  grid.setRows(100);  // a new row count keeps the widths
  EXPECT_EQ(grid.columnWidth(1), 287);

  grid.setWidth(6000);
  grid.setHeight(5895);
  EXPECT_EQ(grid.width(), 400);
  EXPECT_EQ(grid.Height(), 5895);

  EXPECT_EQ(errorNumber([&] { grid.RowHeight(100); }), 9);
  EXPECT_EQ(errorNumber([&] { grid.RowHeight(-1); }), 9);
  EXPECT_EQ(errorNumber([&] { grid.ColWidth(3); }), 9);
  EXPECT_EQ(errorNumber([&] { grid.setRowHeightMin(-1); }), 380);
  EXPECT_EQ(errorNumber([&] { grid.setFontSize(0); }), 380);
}

// The window sets the grid's font like any widget's; it becomes the cells' base font.
TEST(FlexGrid, WidgetFontIsTheBaseFont) {
  FlexGrid grid;
  grid.setRows(2);
  QFont font("DejaVu Serif");
  font.setBold(true);
  font.setPointSizeF(9);
  grid.setFont(font);
  const int small = grid.rowHeight(0);
  FlexGrid made(nullptr, font);  // given when made: the same as set afterwards
  made.setRows(2);
  EXPECT_EQ(made.rowHeight(0), small);
  EXPECT_EQ(made.cellFont(1, 1), grid.cellFont(1, 1));
  grid.setFontSize(24);
  EXPECT_EQ(grid.cellFont(1, 1).family(), "DejaVu Serif");
  EXPECT_TRUE(grid.cellFont(1, 1).bold());
  EXPECT_DOUBLE_EQ(grid.cellFont(1, 1).pointSizeF(), 24);
  EXPECT_DOUBLE_EQ(grid.FontSize(), 24);
  EXPECT_GT(grid.rowHeight(0), small);
}

TEST(FlexGrid, TopRowScrollsAndClamps) {
  FlexGrid grid;
  grid.resize(300, 200);
  grid.setRowHeightMin(300);  // 20 px rows, about 10 visible
  grid.setRows(100);
  grid.show();
  grid.setTopRow(40);
  EXPECT_EQ(grid.TopRow(), 40);
  EXPECT_EQ(grid.rowAt(1), 40);
  grid.setTopRow(-5);
  EXPECT_EQ(grid.TopRow(), 0);
  grid.setTopRow(5000);  // stops with the last page in view
  EXPECT_GT(grid.TopRow(), 80);
  EXPECT_LE(grid.TopRow(), 99);
  EXPECT_EQ(grid.rowAt(grid.viewport()->height() - 2), 99);

  grid.setRows(0);
  grid.setTopRow(3);  // nothing to scroll, no failure
  EXPECT_EQ(grid.TopRow(), 0);
}

TEST(FlexGrid, RedrawFalseSuspendsPainting) {
  FlexGrid grid;
  grid.resize(300, 200);
  grid.setRows(20);
  grid.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
  QApplication::processEvents();
  PaintCounter counter;
  grid.viewport()->installEventFilter(&counter);

  grid.setRedraw(false);
  for (int r = 0; r < 20; ++r) grid.setTextMatrix(r, 1, QString::number(r));
  grid.setRow(5);
  grid.setCellBackColor(0x000000FF);
  QApplication::processEvents();
  EXPECT_EQ(counter.paints, 0);

  grid.setRedraw(true);
  QApplication::processEvents();
  EXPECT_GT(counter.paints, 0);
}

// Qt hands a wheel event that a widget does not consume on to the parent, up to the window,
// whose wheel hook scrolls the grid by pages. (Qt propagates only events from the system,
// so the test checks the condition Qt propagates on.)
TEST(FlexGrid, WheelIsLeftToTheWindow) {
  FlexGrid grid;
  grid.resize(300, 200);
  grid.setRows(100);
  grid.show();
  const QPointF pos(50, 50);
  for (QWidget* target : {static_cast<QWidget*>(grid.viewport()), static_cast<QWidget*>(&grid)}) {
    QWheelEvent wheel(pos, target->mapToGlobal(pos), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    // The rule Qt applies to a real wheel event: handled and accepted stops it here.
    const bool consumed = QApplication::sendEvent(target, &wheel) && wheel.isAccepted();
    EXPECT_FALSE(consumed) << (target == &grid ? "grid" : "viewport");
  }
  EXPECT_EQ(grid.TopRow(), 0);
}

TEST(FlexGrid, ClickSelectsTheCellAndRaisesClick) {
  FlexGrid grid;
  grid.resize(400, 200);
  grid.setRowHeightMin(300);
  grid.setRows(10);
  grid.setSelectionMode(1);
  grid.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
  QSignalSpy clicks(&grid, &FlexGrid::Click);
  QSignalSpy focus(&grid, &FlexGrid::GotFocus);
  const QRect cell = grid.visualRect(grid.model()->index(3, 1));
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_EQ(grid.Row(), 3);
  EXPECT_EQ(grid.RowSel(), 3);
  EXPECT_EQ(grid.Col(), 1);
}

TEST(FlexGrid, FaceResolverRunsOncePerDistinctName) {
  std::map<QString, int> calls;
  FlexGrid grid;
  grid.setFaceResolver([&](const QString& name) -> std::optional<QFont> {
    ++calls[name];
    if (name == "Nowhere Sans") return std::nullopt;
    QFont f(name.section(' ', 0, 1));
    return f;
  });
  grid.setFontSize(15);
  grid.setRows(3000);
  grid.setCol(2);
  const QString names[] = {"DejaVu Sans", "DejaVu Serif", "Nowhere Sans"};
  for (int r = 0; r < 3000; ++r) {
    grid.setRow(r);
    grid.setCellFontName(names[r % 3]);
    grid.setCellFontBold(r % 2);
  }
  for (int r = 0; r < 3000; ++r) grid.cellFont(r, 2);
  grid.resize(400, 300);
  grid.grab();
  EXPECT_EQ(calls.size(), 3u);
  for (const auto& [name, n] : calls) EXPECT_EQ(n, 1) << name.toStdString();

  const QFont serif = grid.cellFont(1, 2);
  EXPECT_EQ(serif.family(), "DejaVu Serif");
  EXPECT_DOUBLE_EQ(serif.pointSizeF(), 15);  // the cell takes the grid's size
  EXPECT_TRUE(serif.styleStrategy() & QFont::NoFontMerging);
  // A name the resolver does not know falls back to the grid font.
  EXPECT_EQ(grid.cellFont(2, 2).family(), grid.cellFont(0, 1).family());
  EXPECT_EQ(grid.cellFontName(2, 2), "Nowhere Sans");

  // A new size rebuilds the fonts, not the faces.
  grid.setFontSize(30);
  EXPECT_DOUBLE_EQ(grid.cellFont(1, 2).pointSizeF(), 30);
  EXPECT_EQ(calls["DejaVu Serif"], 1);
}

TEST(FlexGrid, EachRowKeepsItsOwnStyle) {
  FlexGrid grid;
  grid.setRows(4);
  grid.setCol(2);
  struct Style {
    bool bold, italic, underline, strike;
  } styles[] = {{true, false, false, false}, {false, true, false, false},
                {false, false, true, false}, {false, false, false, true}};
  for (int r = 0; r < 4; ++r) {
    grid.setRow(r);
    grid.setCellAlignment(1);
    grid.setCellFontName("DejaVu Sans");
    grid.setCellFontBold(styles[r].bold);
    grid.setCellFontItalic(styles[r].italic);
    grid.setCellFontUnderline(styles[r].underline);
    grid.setCellFontStrikeThrough(styles[r].strike);
  }
  for (int r = 0; r < 4; ++r) {
    const QFont f = grid.cellFont(r, 2);
    EXPECT_EQ(f.family(), "DejaVu Sans");
    EXPECT_EQ(f.bold(), styles[r].bold) << r;
    EXPECT_EQ(f.italic(), styles[r].italic) << r;
    EXPECT_EQ(f.underline(), styles[r].underline) << r;
    EXPECT_EQ(f.strikeOut(), styles[r].strike) << r;
    EXPECT_EQ(grid.cellAlignment(r, 2), 1);
  }
  EXPECT_EQ(errorNumber([&] { grid.setCellAlignment(10); }), 380);
}

TEST(FlexGrid, ResolvedFacesKeepTheirOwnWeightAndSlant) {
  FlexGrid grid;
  QFont base(QStringLiteral("Arial"), 9);
  base.setBold(true);  // the grid's own font is bold: a sample must not inherit that
  grid.setFont(base);
  grid.setFaceResolver([](const QString& name) -> std::optional<QFont> {
    QFont face(QStringLiteral("DejaVu Sans"));
    if (name == "DejaVu Sans ExtraLight") face.setWeight(QFont::ExtraLight);
    if (name == "DejaVu Sans Oblique") face.setStyle(QFont::StyleOblique);
    return face;
  });
  grid.setRows(3);
  const char* names[] = {"DejaVu Sans", "DejaVu Sans ExtraLight", "DejaVu Sans Oblique"};
  for (int r = 0; r < 3; ++r) {
    grid.setRow(r);
    grid.setCol(2);
    grid.setCellFontName(names[r]);
    grid.setCellFontBold(false);
    grid.setCellFontItalic(false);
  }
  EXPECT_FALSE(grid.cellFont(0, 2).bold());
  EXPECT_EQ(grid.cellFont(1, 2).weight(), QFont::ExtraLight);
  EXPECT_EQ(grid.cellFont(2, 2).style(), QFont::StyleOblique);
  // An unknown face falls back to the grid's font with the row's own flags.
  grid.setFaceResolver([](const QString&) -> std::optional<QFont> { return std::nullopt; });
  grid.setRow(0);
  grid.setCellFontName("Nowhere Sans");
  EXPECT_FALSE(grid.cellFont(0, 2).bold());
}

TEST(FlexGrid, OleColors) {
  QPalette pal;
  pal.setColor(QPalette::Base, QColor(1, 1, 1));
  pal.setColor(QPalette::Text, QColor(2, 2, 2));
  pal.setColor(QPalette::Highlight, QColor(3, 3, 3));
  pal.setColor(QPalette::HighlightedText, QColor(4, 4, 4));
  pal.setColor(QPalette::Button, QColor(5, 5, 5));
  pal.setColor(QPalette::ButtonText, QColor(6, 6, 6));
  pal.setColor(QPalette::Light, QColor(7, 7, 7));
  EXPECT_EQ(oleColor(0x80000005, pal), QColor(1, 1, 1));
  EXPECT_EQ(oleColor(0x80000008, pal), QColor(2, 2, 2));
  EXPECT_EQ(oleColor(0x8000000D, pal), QColor(3, 3, 3));
  EXPECT_EQ(oleColor(0x8000000E, pal), QColor(4, 4, 4));
  EXPECT_EQ(oleColor(0x8000000F, pal), QColor(5, 5, 5));
  EXPECT_EQ(oleColor(0x80000012, pal), QColor(6, 6, 6));
  EXPECT_EQ(oleColor(0x80000014, pal), QColor(7, 7, 7));
  EXPECT_EQ(oleColor(kLightBlue, pal), QColor(191, 219, 255));  // 0x00BBGGRR
  EXPECT_EQ(oleColor(0x00808080, pal), QColor(128, 128, 128));
  EXPECT_TRUE(oleColor(0x800000FF, pal).isValid());  // an unknown index still gives a colour
}

// Column 0 keeps its place at the left edge, in the fixed colours, while the others scroll.
TEST(FlexGrid, FixedColumnStaysWhileScrollingSideways) {
  FlexGrid grid;
  grid.setRowHeightMin(400);
  grid.setColWidth(0, 900);  // 60 px
  grid.setColWidth(1, 6000);
  grid.setColWidth(2, 6000);
  grid.resize(300, 150);
  grid.setRows(3);
  grid.setTextMatrix(0, 1, "name");
  grid.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
  grid.horizontalScrollBar()->setValue(250);
  QApplication::processEvents();
  ASSERT_GT(grid.horizontalScrollBar()->value(), 0);

  const QImage image = grid.viewport()->grab().toImage();
  const int y = grid.rowViewportPosition(1) + 5;
  EXPECT_EQ(QColor(image.pixel(5, y)), grid.palette().color(QPalette::Button));
  EXPECT_EQ(QColor(image.pixel(70, y)), grid.palette().color(QPalette::Light));

  QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, QPoint(5, y));
  EXPECT_EQ(grid.Col(), 0);
  EXPECT_EQ(grid.Row(), 1);
}

// Draws a few rows in different faces and styles, striped, and checks the pixels: the
// picture is also written out for a person to look at.
TEST(FlexGrid, SamplesAreDrawnInTheirOwnFaces) {
  FlexGrid grid;
  grid.setFontSize(15);
  grid.setRowHeightMin(500);
  grid.setColWidth(0, 650);
  grid.setColWidth(1, 4300);
  grid.setColWidth(2, 4300);
  grid.resize(660, 240);
  grid.setRows(6);
  grid.Clear();
  grid.setCol(2);
  // Even rows 0, 2, 4 and odd rows 1, 3, 5 share their stripe: samples compare within a stripe.
  struct Face {
    const char* name;
    bool bold, italic;
  } faces[] = {{"DejaVu Sans", false, false},     {"DejaVu Sans", false, false},
               {"DejaVu Serif", true, false},     {"Liberation Mono", false, true},
               {"DejaVu Sans", false, false},     {"DejaVu Serif", true, false}};
  for (int r = 0; r < 6; ++r) {
    grid.setRow(r);
    grid.setCellAlignment(1);
    grid.setTextMatrix(r, 0, QString::number(r + 1));
    grid.setTextMatrix(r, 1, faces[r].name);
    grid.setTextMatrix(r, 2, "AaBbCc123");
    grid.setCellFontName(faces[r].name);
    grid.setCellFontBold(faces[r].bold);
    grid.setCellFontItalic(faces[r].italic);
  }
  stripe(grid, kLightBlue, 0x80000014);
  grid.setSelectionMode(1);
  grid.setRow(5);  // a selected row shows in the selection colour
  grid.grab().save(QDir::temp().filePath("typorama_grid.png"));
  const QImage image = grid.viewport()->grab().toImage();

  const auto sample = [&](int row) {
    const QRect rect = grid.visualRect(grid.model()->index(row, 2));
    return image.copy(rect.adjusted(1, 1, -2, -2));
  };
  // The same face on the same stripe draws the same pixels; another face or style does not.
  EXPECT_EQ(sample(0), sample(4));  // DejaVu Sans, both even
  EXPECT_NE(sample(0), sample(2));  // against DejaVu Serif bold, both even
  EXPECT_NE(sample(1), sample(3));  // DejaVu Sans against Liberation Mono italic, both odd
  const int y1 = grid.rowViewportPosition(1) + 3, y2 = grid.rowViewportPosition(2) + 3;
  const int x = grid.columnViewportPosition(1) + 2;
  EXPECT_EQ(QColor(image.pixel(x, y2)), QColor(191, 219, 255));
  EXPECT_EQ(QColor(image.pixel(x, y1)), grid.palette().color(QPalette::Light));
  EXPECT_EQ(image.pixel(x, grid.rowViewportPosition(5) + 3), grid.palette().color(QPalette::Mid).rgb());  // unfocused
  // Beyond the last row: the grid's outside colour.
  EXPECT_EQ(QColor(image.pixel(x, image.height() - 4)), QColor(128, 128, 128));
}
