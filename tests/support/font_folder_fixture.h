#pragma once
// A main window over a fonts folder, with fake prompts and font system: in memory
// (MemoryFontFolderTest, for the commands) or in a real temporary folder (FontFolderTest, for
// what needs the disk: faces drawn from their files, FIFOs, permissions).
#include "controls/flex_grid.h"
#include "controls/push_button.h"
#include "platform/linux/file_system_linux.h"
#include "support/app_harness.h"
#include "support/font_builder.h"
#include "support/temp_tree.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRawFont>
#include <gtest/gtest.h>
#include <type_traits>

inline const QString kDejaVu = QStringLiteral("/usr/share/fonts/truetype/dejavu/");

template <typename Fs>
class BasicFontFolderTest : public ::testing::Test {
 protected:
  static constexpr bool kInMemory = std::is_base_of_v<FakeFileSystem, Fs>;

  void SetUp() override {
    ASSERT_TRUE(kInMemory || tree.valid());
    fontsFolder = path("fonts/");
    app.fonts.fontsFolder = fontsFolder;
    // In memory the font engine judges the copy by its bytes, as fontconfig judges the file.
    if constexpr (kInMemory)
      app.fonts.usableFontFile = [this](const QString& p) { return QRawFont(app.fs.contents(p), 12).isValid(); };
  }

  // The path of an entry below the test's root ("" is the root, ending with "/").
  QString path(const std::string& relative) const {
    if constexpr (kInMemory) return QStringLiteral("/mem/") + QString::fromStdString(relative);
    else return tree.q(relative);
  }
  bool exists(const QString& p) { return app.fs.lastModified(p).has_value(); }
  bool makeFolder(const QString& p) {
    if constexpr (kInMemory) return app.fs.createFolderPath(p).ok();
    else return QDir().mkpath(p);
  }
  // Writes the file, creating its folder.
  QString writeAt(const QString& p, const QByteArray& bytes) {
    EXPECT_TRUE(makeFolder(p.left(p.lastIndexOf('/'))));
    if constexpr (kInMemory) {
      app.fs.writeFile(p, bytes);
    } else {
      QFile f(p);
      EXPECT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(bytes);
    }
    return p;
  }
  QString writeText(const std::string& relative, const QByteArray& bytes) { return writeAt(path(relative), bytes); }
  QByteArray bytesOf(const QString& p) {
    if constexpr (kInMemory) return app.fs.contents(p);
    QFile f(p);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static QByteArray dejaVu(const QString& name) {
    QFile f(kDejaVu + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // Copies a DejaVu file to a path below the root.
  QString place(const QString& dejavuName, const std::string& relative) {
    const QByteArray bytes = dejaVu(dejavuName);
    EXPECT_FALSE(bytes.isEmpty()) << dejavuName.toStdString();
    return writeText(relative, bytes);
  }
  // A font whose full name is `full` (its first word the family), with the given style bits,
  // written at fonts/<relative>.
  void font(const std::string& relative, const QString& full, uint16_t fsSelection = 0x40) {
    writeText("fonts/" + relative, FontBuilder()
                                       .name(3, 0x409, 1, full.section(QLatin1Char(' '), 0, 0))
                                       .name(3, 0x409, 4, full)
                                       .fsSelection(fsSelection)
                                       .build());
  }
  // Every entry of the fonts folder, hidden ones included, by name.
  QStringList fontsFolderEntries() {
    std::vector<QString> names;
    app.fs.listFiles(fontsFolder, names);
    app.fs.listSubFolders(fontsFolder, names);
    QStringList sorted(names.begin(), names.end());
    sorted.sort();
    return sorted;
  }
  // Fills the grid as a click on Filter does, and forgets the boxes that showed.
  void refill() {
    form.PushButton1_Click();
    app.prompts.boxes.clear();
  }
  QStringList gridNames() {
    QStringList names;
    for (int r = 0; r < form.MSFlexGrid1->Rows(); ++r) names << form.MSFlexGrid1->TextMatrix(r, 1);
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

  TempTree tree;  // the root on the disk; unused in memory
  BasicAppHarness<Fs> app;
  Form1& form = *app.form;
  QString fontsFolder;
};

// In memory or on the disk, the fonts folder made.
template <typename Fs>
struct MadeFontFolderTest : BasicFontFolderTest<Fs> {
  void SetUp() override {
    BasicFontFolderTest<Fs>::SetUp();
    ASSERT_TRUE(this->makeFolder(this->fontsFolder));
  }
};
using MemoryFontFolderTest = MadeFontFolderTest<FakeFileSystem>;
using FontFolderTest = MadeFontFolderTest<LinuxFileSystem>;

// The font commands, in memory on DejaVu's files; the fonts folder not made yet (Add Font makes it).
struct FontCommandTest : BasicFontFolderTest<FakeFileSystem> {
  void SetUp() override {
    BasicFontFolderTest::SetUp();
    if (dejaVu("DejaVuSans.ttf").isEmpty()) GTEST_SKIP() << "DejaVu fonts are not installed";
  }
};

// Two DejaVu fonts in memory, one of them in a sub-folder, filled into the grid.
class TwoFontsTest : public FontCommandTest {
 protected:
  void SetUp() override {
    FontCommandTest::SetUp();
    if (IsSkipped()) return;
    sans = place("DejaVuSans.ttf", "fonts/DejaVuSans.ttf");
    serif = place("DejaVuSerif.ttf", "fonts/sub/DejaVuSerif.ttf");
    refill();
  }
  QString sans, serif;
};
