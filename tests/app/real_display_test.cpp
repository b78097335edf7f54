// The program itself on a real X server without a window manager (Xvfb), driven by xdotool:
// titles as X11 reads them, the wheel before any click and over the scroll bar, and what the
// clipboard offers after a copy. Screenshots of the grid tell whether it scrolled.
#include "support/font_builder.h"
#include "support/private_fonts.h"

#include <QDir>
#include <QImage>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>

namespace {

const QString kDejaVu = QStringLiteral("/usr/share/fonts/truetype/dejavu/");

class RealDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "xdotool", "xprop", "import", "xclip"})
      if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << tool << " is not installed";
    if (!QFile::exists(kDejaVu + "DejaVuSans.ttf")) GTEST_SKIP() << "DejaVu fonts are not installed";
    ASSERT_TRUE(tree.valid() && tree.folder("fonts") && tree.folder("fonts/copy"));
    // Enough rows for several pages, and one font whose name holds markup (it sorts first).
    for (const QString& name : QDir(kDejaVu).entryList({"*.ttf"})) {
      ASSERT_TRUE(QFile::copy(kDejaVu + name, tree.q("fonts/" + name.toStdString())));
      ASSERT_TRUE(QFile::copy(kDejaVu + name, tree.q("fonts/copy/" + name.toStdString())));
    }
    ASSERT_TRUE(FontBuilder().name(3, 0x409, 1, u"Evil").name(3, 0x409, 4, u"<b>Evil</b>")
                    .writeTo(tree.q("fonts/evil.ttf")));

    // -displayfd: the server picks a free display and writes its number on standard output.
    xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    ASSERT_TRUE(xvfb.waitForStarted(10000));
    for (int i = 0; i < 100 && !xvfb.canReadLine(); ++i) xvfb.waitForReadyRead(100);
    const QString number = QString::fromLatin1(xvfb.readLine()).trimmed();
    ASSERT_FALSE(number.isEmpty()) << "Xvfb gave no display";
    fonts.env.insert("DISPLAY", ":" + number);
    // One start in a hundred visits the home page: a browser that "opens" keeps its error box away.
    fonts.env.insert("BROWSER", "true");

    program.setProcessEnvironment(fonts.env);
    program.start(typoramaProgram(), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    window = tool("xdotool", {"search", "--sync", "--onlyvisible", "--name", "^Typorama$"}).section('\n', 0, 0);
    ASSERT_FALSE(window.isEmpty());
    QThread::msleep(300);  // the first paint
  }

  void TearDown() override {
    for (QProcess* p : {&program, &xvfb}) {
      p->kill();
      p->waitForFinished(5000);
    }
  }

  // Runs an X tool on the test's display; its standard output, trimmed.
  QString tool(const QString& name, const QStringList& args) {
    QProcess p;
    p.setProcessEnvironment(fonts.env);
    p.start(name, args);
    if (!p.waitForFinished(20000)) {
      p.kill();
      p.waitForFinished();
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
  }
  // Pointer actions at a place of the main window.
  void at(int x, int y, const QStringList& then) {
    tool("xdotool", QStringList{"mousemove", "--window", window, QString::number(x), QString::number(y)} + then);
    QThread::msleep(250);
  }
  void key(const QString& name) {
    tool("xdotool", {"key", name});
    QThread::msleep(100);
  }
  // The grid's cells as the screen shows them.
  QImage grid() {
    const QString file = tree.q("shot.png");
    tool("import", {"-window", window, file});
    return QImage(file).copy(8, 32, 640, 393);
  }
  QString title(const QString& id) { return tool("xprop", {"-id", id, "_NET_WM_NAME"}); }

  TempTree tree;
  PrivateFonts fonts{tree, "fonts"};
  QProcess xvfb, program;
  QString window;
  // Places in the main window (pixels): over the cells, the grid's scroll bar, the filter box,
  // the "Remove Selected Font" button.
  const int cellsX = 300, cellsY = 200, firstRowY = 48, barX = 664, barY = 200, textX = 200, textY = 548;
  const int removeX = 508, removeY = 446;
};

TEST_F(RealDisplay, WheelTitlesMessageTextAndClipboard) {
  EXPECT_EQ(title(window), "_NET_WM_NAME(UTF8_STRING) = \"Typorama\"");

  // The grid has the focus from the start: the very first notch pages, and back up returns.
  const QImage top = grid();
  at(cellsX, cellsY, {"click", "5"});
  const QImage page = grid();
  EXPECT_TRUE(page != top);
  at(cellsX, cellsY, {"click", "4"});
  EXPECT_TRUE(grid() == top);

  // Without the focus nothing scrolls, over the scroll bar either.
  at(textX, textY, {"click", "1"});
  at(barX, barY, {"click", "5"});
  EXPECT_TRUE(grid() == top);
  // With it, a notch over the scroll bar pages like one over the cells.
  at(cellsX, firstRowY, {"click", "1"});  // the first row, "<b>Evil</b>"
  const QImage selected = grid();
  at(barX, barY, {"click", "5"});
  const QImage byBar = grid();
  EXPECT_TRUE(byBar != selected);
  at(cellsX, cellsY, {"click", "4"});
  EXPECT_TRUE(grid() == selected);
  at(cellsX, cellsY, {"click", "5"});
  EXPECT_TRUE(grid() == byBar);
  at(cellsX, cellsY, {"click", "4"});

  // The removal question: exactly its caption; answered No.
  at(removeX, removeY, {"click", "1"});
  const QString box = tool("xdotool", {"search", "--sync", "--onlyvisible", "--name", "^Remove Font"});
  EXPECT_EQ(title(box), "_NET_WM_NAME(UTF8_STRING) = \"Remove Font\"");
  key("Escape");

  // Copy (the button lies below the window's edge: reached by the keyboard) offers files only.
  at(cellsX, firstRowY, {"click", "1"});
  for (int i = 0; i < 9; ++i) key("Tab");
  key("space");
  const QStringList targets = tool("xclip", {"-selection", "clipboard", "-o", "-t", "TARGETS"}).split('\n');
  EXPECT_TRUE(targets.contains("text/uri-list")) << targets.join(' ').toStdString();
  EXPECT_TRUE(targets.contains("x-special/gnome-copied-files"));
  EXPECT_FALSE(targets.contains("text/plain"));
  EXPECT_FALSE(targets.contains("text/x-moz-url"));
  EXPECT_EQ(tool("xclip", {"-selection", "clipboard", "-o", "-t", "text/uri-list"}),
            "file://" + QString(tree.q("fonts/evil.ttf")).toUtf8().toPercentEncoding("/"));

  // Ctrl+C on another row offers that row's file the same way.
  const QString second = fonts.typorama({"--list"}).out.section('\n', 1, 1).section('\t', 6);
  ASSERT_TRUE(second.endsWith(".ttf")) << second.toStdString();
  at(cellsX, firstRowY + 34, {"click", "1"});
  key("ctrl+c");
  EXPECT_EQ(tool("xclip", {"-selection", "clipboard", "-o", "-t", "text/uri-list"}),
            "file://" + second.toUtf8().toPercentEncoding("/"));
  EXPECT_FALSE(tool("xclip", {"-selection", "clipboard", "-o", "-t", "TARGETS"}).split('\n').contains("text/plain"));
}

}  // namespace
