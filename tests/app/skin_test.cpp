// The optional files of the program's folder: the skin and the hand cursor.
#include "app/form3.h"
#include "app/main_module.h"
#include "app/form2.h"
#include "controls/flex_grid.h"
#include "controls/push_button.h"
#include "platform/linux/file_system_linux.h"
#include "support/app_harness.h"
#include "support/temp_tree.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

// A 32 by 32 cursor file whose hot spot is (6, 1): an icon file turned into a cursor file as
// the format has it (type 2, the hot spot where an icon keeps its planes and bit count).
QByteArray cursorFile() {
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (int y = 1; y < 28; ++y)
    for (int x = 5; x < 9; ++x) image.setPixel(x, y, qRgb(255, 0, 0));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "ICO")) return {};
  qToLittleEndian<quint16>(2, bytes.data() + 2);
  qToLittleEndian<quint16>(6, bytes.data() + 10);
  qToLittleEndian<quint16>(1, bytes.data() + 12);
  return bytes;
}

QColor pixelAt(QWidget* w, QPoint at) { return w->grab().toImage().pixelColor(at); }

struct ProgramFolderTest : ::testing::Test {
  TempTree tree;
  BasicAppHarness<LinuxFileSystem> app;
  void SetUp() override {
    ASSERT_TRUE(tree.valid());
    app.desktop.folder = tree.q("").chopped(1);
  }
  void write(const std::string& relative, const QByteArray& bytes) {
    QFile f(tree.q(relative));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
};

TEST_F(ProgramFolderTest, ASkinFileBecomesTheWindowsStyleSheet) {
  ASSERT_TRUE(tree.folder("x"));
  write("x/o.cjs", "QPushButton { color: rgb(1, 2, 3); }");
  Form1& form = *app.form;
  ApplySkin(&form, app.fs, app.desktop);
  EXPECT_EQ(form.styleSheet(), "QPushButton { color: rgb(1, 2, 3); }");
  EXPECT_EQ(form.backgroundRole(), QPalette::Button);
  EXPECT_EQ(form.lblFontsInstalled->backgroundRole(), QPalette::Button);
}

TEST_F(ProgramFolderTest, TheSkinLeavesWhatItDoesNotStyleAndTheLabelTurnsWhite) {
  ASSERT_TRUE(tree.folder("x"));
  write("x/o.cjs", "QPushButton { color: rgb(1, 2, 3); }");
  Form1& form = *app.form;
  form.Form_Load();
  ASSERT_FALSE(form.styleSheet().isEmpty());
  ASSERT_NE(form.palette().color(QPalette::Button), QColor(Qt::white));
  EXPECT_EQ(pixelAt(form.lblFontsInstalled, {20, 8}), QColor(Qt::white));
  ASSERT_EQ(form.MSFlexGrid1->Rows(), 0);  // no fonts: the whole grid is the area outside the cells
  EXPECT_EQ(pixelAt(form.MSFlexGrid1->viewport(), {30, 30}), QColor(0x80, 0x80, 0x80));
}

TEST(UnreadableSkin, IsReportedBeforeAnyColourChanges) {
  BasicAppHarness<FakeFileSystem> app;
  app.desktop.folder = "/prog";
  app.fs.addFile("/prog/x/o.cjs");  // listed, but nothing on disk to read
  const QPalette::ColorRole before = app.form->backgroundRole();
  app.form->Form_Load();
  ASSERT_FALSE(app.prompts.boxes.empty());
  EXPECT_TRUE(app.prompts.boxes[0].text.startsWith(
      "Path/File access error\r\nin Typorama2021/08/31.Form1.Form_Load at line 100\r\r"))
      << app.prompts.boxes[0].text.toStdString();
  EXPECT_EQ(app.form->backgroundRole(), before);
  EXPECT_NE(app.form->lblFontsInstalled->backgroundRole(), QPalette::Button);
  EXPECT_TRUE(app.form->styleSheet().isEmpty());
}

TEST_F(ProgramFolderTest, NoSkinLeavesTheDesignColours) {
  Form1& form = *app.form;
  ApplySkin(&form, app.fs, app.desktop);
  EXPECT_TRUE(form.styleSheet().isEmpty());
  EXPECT_EQ(form.palette().color(QPalette::Window), QColor(Qt::white));
  // A folder of that name is no skin either.
  ASSERT_TRUE(tree.folder("x") && tree.folder("x/o.cjs"));
  ApplySkin(&form, app.fs, app.desktop);
  EXPECT_TRUE(form.styleSheet().isEmpty());
}

TEST(HiddenSkin, IsNotFound) {
  BasicAppHarness<FakeFileSystem> app;
  app.desktop.folder = "/prog";
  app.fs.addFile("/prog/x/o.cjs");
  app.fs.setAttributes("/prog/x/o.cjs", fileattr::Hidden);
  ApplySkin(app.form.get(), app.fs, app.desktop);
  EXPECT_NE(app.form->backgroundRole(), QPalette::Button);
}

TEST_F(ProgramFolderTest, TheHandCursorFileIsTheCustomPointer) {
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(Qt::red);
  ASSERT_TRUE(image.save(tree.q("HAND-M.CUR"), "PNG"));
  Form1& form = *app.form;
  form.Form_Load();
  ASSERT_TRUE(form.hasMouseIcon());
  emit form.PushButton3->MouseMove();
  EXPECT_EQ(form.MousePointer(), 99);
  EXPECT_EQ(form.PushButton3->cursor().shape(), Qt::BitmapCursor);
}

TEST_F(ProgramFolderTest, ACursorFileKeepsItsHotSpotAndEveryWindowLoadsItsOwn) {
  const QByteArray cur = cursorFile();
  ASSERT_FALSE(cur.isEmpty());
  EXPECT_EQ(cursorHotSpot(cur), QPoint(6, 1));
  EXPECT_EQ(cursorHotSpot(cur.left(21)), QPoint(-1, -1));  // too short for its directory
  write("HAND-M.CUR", cur);
  Form1& form = *app.form;
  form.Form_Load();
  ASSERT_TRUE(form.hasMouseIcon());
  EXPECT_EQ(form.mouseIcon()->hotSpot(), QPoint(6, 1));
  Form3 pleaseWait(form);
  pleaseWait.Form_Load();
  EXPECT_TRUE(pleaseWait.hasMouseIcon());
  form.form2()->ensureLoaded();
  EXPECT_TRUE(form.form2()->hasMouseIcon());
}

TEST_F(ProgramFolderTest, AnUnreadableCursorFileIsReportedAndStartUpGoesOn) {
  write("HAND-M.CUR", "not a picture");
  Form1& form = *app.form;
  form.Form_Load();
  EXPECT_FALSE(form.hasMouseIcon());
  ASSERT_FALSE(app.prompts.boxes.empty());
  EXPECT_TRUE(app.prompts.boxes[0].text.contains("in Typorama2021/08/31.Form1.Form_Load at line 108"))
      << app.prompts.boxes[0].text.toStdString();
  EXPECT_FALSE(form.StartupLoading);  // the later steps still ran
}

}  // namespace
