// Cells drawn from their own font files: loaded only when drawn, once, and let go on refill.
#include "controls/flex_grid.h"
#include "platform/font_file_face.h"
#include "support/temp_tree.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Rows whose sample cells name the files links/0.ttf, links/1.ttf, ... (links to one font),
// plus a file that is no font and a file far larger than any font.
struct FileCells : ::testing::Test {
  TempTree tree;
  FlexGrid grid;
  static constexpr int kRows = 2000;

  void SetUp() override {
    ASSERT_TRUE(tree.folder("links"));
    grid.setFontSize(15);
    grid.setRowHeightMin(500);
    grid.resize(500, 300);
    grid.setRows(kRows);
    grid.setCol(2);
    for (int r = 0; r < kRows; ++r) {
      const std::string link = tree.path("links/" + std::to_string(r) + ".ttf");
      ASSERT_EQ(::symlink(kDejaVu, link.c_str()), 0);
      grid.setRow(r);
      grid.setTextMatrix(r, 2, "AaBbCc123");
      grid.setCellFontName("DejaVu Sans");
      grid.setCellFontFile(pathFromBytes(link));
    }
  }
  int visibleRows() { return grid.rowAt(grid.viewport()->height() - 1) - grid.rowAt(0) + 1; }
};

}  // namespace

TEST_F(FileCells, OnlyDrawnRowsLoadTheirFileOnceAndRefillLetsGo) {
  EXPECT_EQ(grid.fontFileLoads(), 0);  // filling loads nothing
  grid.grab();
  const int shown = visibleRows();
  ASSERT_GT(shown, 3);
  EXPECT_EQ(grid.fontFileLoads(), shown);
  grid.grab();
  EXPECT_EQ(grid.fontFileLoads(), shown);  // drawn again, loaded once
  grid.setTopRow(1000);
  grid.grab();
  const int loaded = shown + visibleRows();
  EXPECT_EQ(grid.fontFileLoads(), loaded);
  EXPECT_EQ(grid.fontFilesHeld(), size_t(loaded));
  EXPECT_EQ(grid.cellFontFile(1000, 2), tree.q("links/1000.ttf"));

  grid.setFontSize(30);  // a new size: the faces are loaded again at that size when drawn
  grid.grab();
  EXPECT_EQ(grid.fontFilesHeld(), size_t(visibleRows()));
  grid.Clear();
  EXPECT_EQ(grid.fontFilesHeld(), 0u);
  EXPECT_EQ(grid.cellFontFile(1000, 2), "");
  grid.setTopRow(0);
  grid.grab();
  EXPECT_EQ(grid.fontFilesHeld(), 0u);
}

TEST_F(FileCells, UnusableFilesDrawInTheGridFontAndAreTriedOnce) {
  ASSERT_TRUE(tree.file("notafont.ttf"));
  ASSERT_TRUE(tree.file("huge.ttf"));
  ASSERT_EQ(::truncate(tree.path("huge.ttf").c_str(), off_t(300) << 20), 0);  // sparse: no disk used
  EXPECT_FALSE(FontFileFace::load(tree.q("huge.ttf"), 20));
  EXPECT_FALSE(FontFileFace::load(tree.q("notafont.ttf"), 20));
  EXPECT_FALSE(FontFileFace::load(tree.q("links"), 20));
  EXPECT_FALSE(isPlausibleFontFileSize(0));
  const auto face = FontFileFace::load(tree.q("links/0.ttf"), 20);
  ASSERT_TRUE(face);
  EXPECT_EQ(FontFileFace::load(tree.q("links/1.ttf"), 20), face);  // one file, one face
  EXPECT_NE(FontFileFace::load(tree.q("links/1.ttf"), 40), face);

  grid.setRow(0);
  grid.setCellFontFile(tree.q("notafont.ttf"));
  grid.setRow(1);
  grid.setCellFontFile(tree.q("huge.ttf"));
  grid.setRow(2);
  grid.setCellFontFile("");  // back to the face name
  const QImage first = grid.grab().toImage();
  const int loads = grid.fontFileLoads();
  EXPECT_EQ(grid.grab().toImage(), first);
  EXPECT_EQ(grid.fontFileLoads(), loads);
  EXPECT_EQ(grid.cellFont(0, 2).family(), grid.cellFont(0, 1).family());  // the grid font
}

TEST_F(FileCells, UnderlineAndStrikeOutAreDrawnOnTheFilesFace) {
  const auto sample = [&](int row) {
    const QImage image = grid.viewport()->grab().toImage();
    return image.copy(grid.visualRect(grid.model()->index(row, 2)));
  };
  const QImage plain = sample(0);
  grid.setRow(0);
  grid.setCellFontUnderline(true);
  const QImage underlined = sample(0);
  grid.setCellFontUnderline(false);
  grid.setCellFontStrikeThrough(true);
  const QImage struck = sample(0);
  EXPECT_NE(underlined, plain);
  EXPECT_NE(struck, plain);
  EXPECT_NE(struck, underlined);
}
