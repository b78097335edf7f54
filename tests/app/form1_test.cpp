// The main window's shell: error box, title, pointer rules, start-up, home page.
#include "core/error_trap.h"
#include "app/main_module.h"
#include "fsys/file_queries.h"
#include "app/qt_services.h"
#include "core/runtime_error.h"
#include "controls/grid_mouse_wheel.h"
#include "controls/flex_grid.h"
#include "controls/push_button.h"
#include "controls/twips.h"
#include "support/app_harness.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTest>
#include <QFontInfo>
#include <gtest/gtest.h>

namespace {

using Harness = BasicAppHarness<FakeFileSystem>;

// The next widget that Tab moves to, skipping the parts inside `w` (a grid's scroll bars).
QWidget* nextTabStop(QWidget* w) {
  for (QWidget* n = w->nextInFocusChain(); n != w; n = n->nextInFocusChain())
    if ((n->focusPolicy() & Qt::TabFocus) && !w->isAncestorOf(n)) return n;
  return nullptr;
}

TEST(ErrorTrap, ReportsTheFailureWithLocationAndLineAndResumes) {
  FakePrompts prompts;
  ErrorTrap trap(prompts, "Form1.LoadFonts");
  std::vector<int> ran;
  trap(100, [&] { ran.push_back(100); });
  trap(102, [&] { throw errors::subscriptOutOfRange(); });
  trap(104, [&] { ran.push_back(104); });
  EXPECT_EQ(ran, (std::vector<int>{100, 104}));
  ASSERT_EQ(prompts.boxes.size(), 1u);
  EXPECT_EQ(prompts.boxes[0].text,
            "Subscript out of range\r\nin Typorama2021/08/31.Form1.LoadFonts at line 102\r\r"
            "Please email screenshot of this message to support@example.com");
  EXPECT_EQ(prompts.boxes[0].title, "Application Error");
  EXPECT_EQ(prompts.boxes[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(prompts.boxes[0].icon, MsgIcon::Exclamation);
}

TEST(ErrorTrap, KeepsAnOwnLocationText) {
  FakePrompts prompts;
  auto trap = ErrorTrap::withLocationText(prompts, "in OrvandelTitle2021/08/31.AddFolder.GetSubDirectories2016 ");
  trap(106, [] { throw std::runtime_error("disk on fire"); });
  ASSERT_EQ(prompts.boxes.size(), 1u);
  EXPECT_TRUE(prompts.boxes[0].text.startsWith(
      "disk on fire\r\nin OrvandelTitle2021/08/31.AddFolder.GetSubDirectories2016 at line 106\r\r"));
}

TEST(ApplicationTitle, CutsBeforeTheLastBlankUntilShortEnough) {
  EXPECT_EQ(makeApplicationTitle("Typorama"), "Typorama");
  EXPECT_EQ(makeApplicationTitle("Typorama Font Viewer"), "Typorama Font");
  const QString longName = QString(30, 'a') + " " + QString(15, 'b') + " " + QString(5, 'c');
  EXPECT_EQ(makeApplicationTitle(longName), QString(30, 'a'));
  EXPECT_EQ(makeApplicationTitle(QString(50, 'x')), QString(50, 'x'));
}

TEST(MainWindow, ControlsStandWhereTheyAreDesigned) {
  Harness app;
  Form1& f = *app.form;
  EXPECT_EQ(f.size(), QSize(680, 603));
  EXPECT_EQ(f.MSFlexGrid1->geometry(), QRect(8, 32, 664, 393));
  EXPECT_EQ(f.PushButton1->geometry(), QRect(544, 535, 128, 27));
  EXPECT_EQ(f.Text1->geometry(), QRect(8, 535, 528, 27));  // 8030 and 400 twips round to 535 and 27
  EXPECT_EQ(f.PushButton1->Caption(), "Filter");
  EXPECT_EQ(f.PushButton3->Caption(), "Add Font");
  EXPECT_EQ(f.PushButton4->Caption(), "Remove Selected Font");
  EXPECT_EQ(f.PushButton6->Caption(), "Export Fonts To Word");
  EXPECT_EQ(f.PushButton8->Caption(), "Export Fonts To Excel");
  EXPECT_EQ(f.lblFontsInstalled->text(), "Total Number Of Fonts Installed: 0");
  // The clipboard button lies below the client area.
  EXPECT_GE(f.PushButton7->geometry().top(), f.height());
  // Tab order starts at the grid and runs through the buttons as designed.
  EXPECT_EQ(nextTabStop(f.MSFlexGrid1), f.PushButton3);
  EXPECT_EQ(nextTabStop(f.PushButton3), f.PushButton4);
  EXPECT_EQ(nextTabStop(f.PushButton5), f.PushButton1);
  EXPECT_EQ(nextTabStop(f.PushButton1), f.Text1);
}

TEST(MainWindow, FollowsItsFamilyWhenAFontIsAddedOrRemoved) {
  Harness app;
  Form1& f = *app.form;
  app.fonts.drawnFamilies.insert("Arial", "DejaVu Serif");
  emit qGuiApp->fontDatabaseChanged();
  QCoreApplication::processEvents();
  for (QWidget* w : std::initializer_list<QWidget*>{&f, f.MSFlexGrid1, f.PushButton1, f.Text1})
    EXPECT_EQ(QFontInfo(w->font()).family(), "DejaVu Serif");
  EXPECT_EQ(QFontInfo(f.PushButton1->font()).pixelSize(), 15);  // 11.25 points, as before
}

TEST(MainWindow, PointerRulesNeverReplaceTheHourglass) {
  Harness app;
  Form1& f = *app.form;
  f.pointerRuleButton();
  EXPECT_EQ(f.MousePointer(), 99);
  EXPECT_EQ(f.PushButton3->cursor().shape(), Qt::PointingHandCursor);  // no cursor file: the hand
  f.pointerRulePlain();
  EXPECT_EQ(f.MousePointer(), 0);
  f.setMousePointer(11);
  f.pointerRuleButton();
  f.pointerRulePlain();
  EXPECT_EQ(f.MousePointer(), 11);
  EXPECT_EQ(f.cursor().shape(), Qt::WaitCursor);
  // Moving over a button raises the button rule through the button's own event.
  f.setMousePointer(0);
  emit f.PushButton2->MouseMove();
  EXPECT_EQ(f.MousePointer(), 99);
  emit f.MSFlexGrid1->MouseMove();
  EXPECT_EQ(f.MousePointer(), 0);
}

TEST(Twips, RoundToTheNearestPixel) {
  EXPECT_EQ(twipsToPixels(7), 0);
  EXPECT_EQ(twipsToPixels(8), 1);
  EXPECT_EQ(twipsToPixels(400), 27);
  EXPECT_EQ(twipsToPixels(500), 33);
  EXPECT_EQ(twipsToPixels(-8), -1);
  EXPECT_EQ(pixelsToTwips(27), 405);
}

// A pointer move as the mouse delivers it: to the widget under the pointer, then on to the
// parents that want moves while it goes unhandled.
void movePointerOver(QWidget* w) {
  QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(w, &move);
}

TEST(MainWindow, TheHandStaysOverAButtonAndTheArrowComesBackElsewhere) {
  Harness app;
  Form1& f = *app.form;
  movePointerOver(f.PushButton3);
  EXPECT_EQ(f.MousePointer(), 99);
  EXPECT_EQ(f.PushButton3->cursor().shape(), Qt::PointingHandCursor);
  movePointerOver(f.lblFontsInstalled);
  EXPECT_EQ(f.MousePointer(), 0);
  movePointerOver(f.PushButton1);
  movePointerOver(f.MSFlexGrid1->viewport());
  EXPECT_EQ(f.MousePointer(), 0);
}

TEST(MainWindow, GridClickSelectsTheWholeRow) {
  Harness app;
  Form1& f = *app.form;
  f.MSFlexGrid1->setRows(3);
  f.MSFlexGrid1->setRow(1);
  f.MSFlexGrid1->setCol(2);
  f.MSFlexGrid1_Click();
  EXPECT_EQ(f.MSFlexGrid1->Row(), 1);
  EXPECT_EQ(f.MSFlexGrid1->Col(), 0);
  EXPECT_EQ(f.MSFlexGrid1->ColSel(), 2);
}

TEST(MainWindow, StartsWithoutMessagesWhenNoFontsFolderAndNoCursorFile) {
  Harness app;
  app.fonts.fontsFolder = "/fonts/";
  app.fs.addFile("/fonts/a.ttf");  // not a font: the reader reports it
  setAppTitle("before start-up");
  const QString displayName = QGuiApplication::applicationDisplayName();
  app.form->Form_Load();
  EXPECT_FALSE(app.form->hasMouseIcon());
  EXPECT_EQ(app.form->windowTitle(), "Typorama");
  EXPECT_EQ(Form1::appTitle(), "Typorama");
  // Qt appends a display name that is set to every window title: it stays untouched.
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), displayName);
  // The icon that is installed for the desktop, built in for a program run from its build tree.
  EXPECT_EQ(app.form->windowIcon().availableSizes(), QList<QSize>({{48, 48}, {128, 128}, {256, 256}}));
  // The broken file and the empty catalogue are the only messages.
  ASSERT_FALSE(app.prompts.boxes.empty());
  EXPECT_TRUE(app.prompts.boxes.back().text.startsWith("Error #195454: No fonts found. "));
}

TEST(MainWindow, TheGridTakesTheFocusAndTheWheelHookWhenFirstShown) {
  Harness app;
  Form1& f = *app.form;
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  EXPECT_EQ(f.focusWidget(), f.MSFlexGrid1);
  EXPECT_TRUE(f.MSFlexGrid1->hasFocus());
  EXPECT_EQ(HookedForm(), &f);
  f.Form_Unload();
}

TEST(MessageBox, ShowsItsTextLiterallyUnderExactlyItsTitle) {
  const auto box = makeMessageBox("Are you sure you want to remove <b>Evil</b>?", "Remove Font", MsgButtons::YesNo,
                                  MsgIcon::None);
  EXPECT_EQ(box->windowTitle(), "Remove Font");
  EXPECT_EQ(box->textFormat(), Qt::PlainText);
  EXPECT_EQ(box->text(), "Are you sure you want to remove <b>Evil</b>?");
  EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
  // The trap's line breaks: a carriage return alone is a break too, so the blank line stays.
  const auto trap = makeMessageBox(errorTrapMessage("<i>x</i>", "in A.B ", 102), "Application Error",
                                   MsgButtons::Ok, MsgIcon::Exclamation);
  EXPECT_EQ(trap->textFormat(), Qt::PlainText);
  EXPECT_EQ(trap->text(), "<i>x</i>\nin A.B at line 102\n\nPlease email screenshot of this message to "
                          "support@example.com");
  EXPECT_EQ(trap->icon(), QMessageBox::Warning);
}

TEST(HomePageVisit, ABrowserThatCannotStartIsReportedByStartUp) {
  Harness app;
  app.random.value = 0.06;
  app.desktop.openUrlResult = false;
  app.form->Form_Load();
  ASSERT_FALSE(app.prompts.boxes.empty());
  EXPECT_TRUE(app.prompts.boxes[0].text.startsWith("File not found\r\nin Typorama2021/08/31.Form1.Form_Load at line 110"))
      << app.prompts.boxes[0].text.toStdString();
  EXPECT_EQ(app.desktop.urls.size(), 1);
}

TEST(HomePageVisit, OpensTheHomePageOnlyOnSeven) {
  FakeRandom random;
  FakeDesktop desktop;
  random.value = 0.06;  // 6 + 1
  RandomHomePageVisit(random, desktop);
  EXPECT_EQ(desktop.urls, QStringList({"https://www.example.com/"}));
  random.value = 0.07;
  RandomHomePageVisit(random, desktop);
  random.value = 0.0;
  RandomHomePageVisit(random, desktop);
  EXPECT_EQ(desktop.urls.size(), 1);
  EXPECT_EQ(random.seeds, 3);
}

TEST(SharedFileTests, AbsorbFailures) {
  FakeFileSystem fs;
  FakeYielder yielder;
  fs.addFolder("/d/");
  fs.addFile("/d/f.ttf");
  EXPECT_TRUE(FileExists(fs, "/d/f.ttf"));
  EXPECT_FALSE(FileExists(fs, ""));
  EXPECT_FALSE(FileExists(fs, "/d/missing"));
  EXPECT_EQ(IsFolder(fs, "/d/"), std::optional<bool>(true));
  EXPECT_EQ(IsFolder(fs, "/d/f.ttf"), std::optional<bool>(false));
  EXPECT_EQ(IsFolder(fs, "/nowhere"), std::nullopt);
  DeleteFileQuietly(fs, yielder, "/d/missing");
  DeleteFileQuietly(fs, yielder, "/d/f.ttf");
  EXPECT_EQ(yielder.count, 2);
  EXPECT_FALSE(FileExists(fs, "/d/f.ttf"));
}

// A file type's text names its patterns once, whether its description shows them by blanks (as
// Qt does) or not at all.
TEST(FileDialog, ATypeNamesItsPatternsOnce) {
  const std::pair<const char*, const char*> cases[] = {
      {"Font Files (*.ttf *.otf *.ttc *.otc)|*.ttf;*.otf;*.ttc;*.otc", "Font Files (*.ttf *.otf *.ttc *.otc)"},
      {"Font Files (*.ttf)|*.ttf", "Font Files (*.ttf)"},
      {"Word files (*.doc)|*.doc|", "Word files (*.doc)"},
      {"Fonts|*.ttf;*.otf", "Fonts (*.ttf *.otf)"}};
  for (const auto& [filter, shown] : cases) EXPECT_EQ(qtNameFilters(filter), shown) << filter;
}

}  // namespace
