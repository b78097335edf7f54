#pragma once
// A main window over a real temporary fonts folder, with fake prompts and font system, for
// driving the font commands through their buttons.
#include "controls/flex_grid.h"
#include "controls/push_button.h"
#include "platform/linux/file_system_linux.h"
#include "support/app_harness.h"
#include "support/temp_tree.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <gtest/gtest.h>

inline const QString kDejaVu = QStringLiteral("/usr/share/fonts/truetype/dejavu/");

// A file system whose deletions can be made to fail, as for a file in use.
class StubbornFileSystem : public LinuxFileSystem {
 public:
  bool refuseRemoval = false;
  bool removeFile(const QString& path) override { return !refuseRemoval && LinuxFileSystem::removeFile(path); }
};

class OpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tree.valid());
    if (!QFile::exists(kDejaVu + "DejaVuSans.ttf")) GTEST_SKIP() << "DejaVu fonts are not installed";
    fontsFolder = tree.q("fonts/");
    app.fonts.fontsFolder = fontsFolder;
  }

  Form1& form() { return *app.form; }
  // Copies a DejaVu file to a path below the temporary tree.
  QString place(const QString& dejavuName, const std::string& relative) {
    const QString to = tree.q(relative);
    QDir().mkpath(to.left(to.lastIndexOf('/')));
    EXPECT_TRUE(QFile::copy(kDejaVu + dejavuName, to));
    return to;
  }
  QString writeText(const std::string& relative, const QByteArray& bytes) {
    const QString to = tree.q(relative);
    QDir().mkpath(to.left(to.lastIndexOf('/')));
    QFile f(to);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return to;
  }
  static QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static QByteArray dejaVu(const QString& name) { return bytesOf(kDejaVu + name); }
  // Every entry of the fonts folder, hidden ones included.
  QStringList fontsFolderEntries() const {
    return QDir(fontsFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                       QDir::Name);
  }
  // Fills the grid as a click on Filter does, and forgets the boxes that showed.
  void refill() {
    form().PushButton1_Click();
    app.prompts.boxes.clear();
  }
  QStringList gridNames() {
    QStringList names;
    for (int r = 0; r < form().MSFlexGrid1->Rows(); ++r) names << form().MSFlexGrid1->TextMatrix(r, 1);
    return names;
  }
  void expectOutcome(const RecordedBox& box, const QString& text) {
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.title, "Typorama");  // the application title
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_EQ(box.icon, MsgIcon::None);
  }
  void expectTrap(const RecordedBox& box, const QString& routine, int line, const QString& description) {
    EXPECT_EQ(box.title, "Application Error");
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_TRUE(box.text.startsWith(description)) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(QStringLiteral("in Typorama2021/08/31.Form1.%1 at line %2\r\r").arg(routine).arg(line)))
        << box.text.toStdString();
  }

  TempTree tree;
  QString fontsFolder;
  BasicAppHarness<StubbornFileSystem> app;
};

// Two DejaVu fonts, one of them in a sub-folder, filled into the grid.
class TwoFontsTest : public OpsTest {
 protected:
  void SetUp() override {
    OpsTest::SetUp();
    if (IsSkipped()) return;
    sans = place("DejaVuSans.ttf", "fonts/DejaVuSans.ttf");
    serif = place("DejaVuSerif.ttf", "fonts/sub/DejaVuSerif.ttf");
    refill();
  }
  QString sans, serif;
};
