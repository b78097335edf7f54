// The optional files of the program's folder: the skin and the hand cursor.
#include "app/main_module.h"
#include "controls/push_button.h"
#include "platform/linux/file_system_linux.h"
#include "support/app_harness.h"
#include "support/temp_tree.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <gtest/gtest.h>

namespace {

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
