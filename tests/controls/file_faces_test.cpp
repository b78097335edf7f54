// Cells drawn from their own font files: loaded only when drawn, once, and let go on refill.
#include "controls/flex_grid.h"
#include "platform/font_file_face.h"
#include "support/temp_tree.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

// 2,000 rows whose sample cells name links/0.ttf, links/1.ttf, ... (links to one font).
struct FileCells : ::testing::Test {
  TempTree tree;
  FlexGrid grid;

  void SetUp() override {
    ASSERT_TRUE(tree.folder("links"));
    grid.setFontSize(15);
    grid.setRowHeightMin(500);
    grid.resize(500, 300);
    grid.setRows(2000);
    grid.setCol(2);
    for (int r = 0; r < 2000; ++r) {
      const std::string link = tree.path("links/" + std::to_string(r) + ".ttf");
      ASSERT_EQ(::symlink("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", link.c_str()), 0);
      grid.setRow(r);
      grid.setTextMatrix(r, 2, "AaBbCc123");
      grid.setCellFontFile(pathFromBytes(link));
    }
  }
  int visibleRows() { return grid.rowAt(grid.viewport()->height() - 1) - grid.rowAt(0) + 1; }
  QImage sample(int row) {
    return grid.viewport()->grab().toImage().copy(grid.visualRect(grid.model()->index(row, 2)));
  }
};

}  // namespace

TEST_F(FileCells, OnlyDrawnRowsLoadTheirFileOnceAndRefillLetsGo) {
  EXPECT_EQ(grid.fontFileLoads(), 0);  // filling loads nothing
  grid.grab();
  grid.grab();
  const int shown = visibleRows();
  ASSERT_GT(shown, 3);
  EXPECT_EQ(grid.fontFileLoads(), shown);  // drawn twice, loaded once
  grid.setTopRow(1000);
  grid.grab();
  EXPECT_EQ(grid.fontFileLoads(), shown + visibleRows());
  EXPECT_EQ(grid.cellFontFile(1000, 2), tree.q("links/1000.ttf"));
  const int loads = grid.fontFileLoads();
  grid.setFontSize(30);  // a new size scales the faces held: no file is read again
  grid.grab();
  EXPECT_EQ(grid.fontFileLoads(), loads);
  const QRawFont* face = grid.cells().fileFace(grid.cells().format(1000, 2).file);
  ASSERT_TRUE(face);
  EXPECT_NEAR(face->pixelSize(), 30 * grid.logicalDpiY() / 72.0, 0.01);
  grid.Clear();
  EXPECT_EQ(grid.fontFilesHeld(), 0u);
  EXPECT_EQ(grid.cellFontFile(1000, 2), "");
}

TEST_F(FileCells, UnusableFilesDrawInTheGridFontAndLinksShareAFace) {
  ASSERT_TRUE(tree.file("notafont.ttf"));
  ASSERT_TRUE(tree.file("huge.ttf"));
  ASSERT_EQ(::truncate(tree.path("huge.ttf").c_str(), off_t(300) << 20), 0);  // sparse: no disk used
  EXPECT_FALSE(FontFileFace::load(tree.q("huge.ttf"), 20));
  EXPECT_FALSE(FontFileFace::load(tree.q("notafont.ttf"), 20));
  EXPECT_FALSE(FontFileFace::load(tree.q("links"), 20));
  const auto face = FontFileFace::load(tree.q("links/0.ttf"), 20);
  ASSERT_TRUE(face);
  EXPECT_EQ(FontFileFace::load(tree.q("links/1.ttf"), 20), face);  // one file, one face
  EXPECT_NE(FontFileFace::load(tree.q("links/1.ttf"), 40), face);

  grid.setRow(0);
  grid.setCellFontFile(tree.q("notafont.ttf"));
  grid.setRow(1);
  grid.setCellFontFile(tree.q("huge.ttf"));
  const QImage first = grid.grab().toImage();
  const int loads = grid.fontFileLoads();
  EXPECT_EQ(grid.grab().toImage(), first);
  EXPECT_EQ(grid.fontFileLoads(), loads);  // a file that failed is not tried again
  EXPECT_EQ(grid.cellFont(0, 2).family(), grid.cellFont(0, 1).family());  // the grid font
  EXPECT_NE(sample(0), sample(2));
}

TEST_F(FileCells, UnderlineAndStrikeOutAreDrawnOnTheFilesFace) {
  const QImage plain = sample(0);
  grid.setRow(0);
  grid.setCellFontUnderline(true);
  const QImage underlined = sample(0);
  grid.setCellFontUnderline(false);
  grid.setCellFontStrikeThrough(true);
  EXPECT_NE(underlined, plain);
  EXPECT_NE(sample(0), plain);
  EXPECT_NE(sample(0), underlined);
}
