// The main window's keyboard, context menu and drag and drop, driven through the events a person
// makes; each ends in the command a button runs.
#include "core/catalogue_entry.h"
#include "app/form1_shortcuts.h"
#include "support/font_folder_fixture.h"
#include "support/font_builder.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QTest>

namespace {

class WindowConveniencesTest : public TwoFontsTest {
 protected:
  FlexGrid& grid() { return *form.MSFlexGrid1; }
  QPoint rowPoint(int row) { return grid().visualRect(grid().model()->index(row, 1)).center(); }
  void send(QEvent&& e, QObject* to) { QApplication::sendEvent(to, &e); }
  // Drops `urls` on the window; true when the window took them.
  bool drop(const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    if (!enter.isAccepted()) return false;
    send(QDropEvent(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier), &form);
    QApplication::sendPostedEvents();  // the install runs once the drag is over
    return true;
  }
};

TEST_F(WindowConveniencesTest, EnterFiltersCtrlCCopiesDeleteAsksToRemove) {
  form.Text1->setText("serif");
  QTest::keyClick(form.Text1, Qt::Key_Enter);
  EXPECT_EQ(gridNames(), QStringList{"DejaVu Serif"});
  form.Text1->clear();
  QTest::keyClick(form.Text1, Qt::Key_Return);
  grid().setRow(1);
  QTest::keyClick(&grid(), Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(&grid(), Qt::Key_C);  // a plain letter is no command
  EXPECT_EQ(app.desktop.clipboard, QList<QStringList>{QStringList{serif}});

  app.prompts.answers = {MsgResult::No};
  QTest::keyClick(&grid(), Qt::Key_Delete);
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  EXPECT_EQ(app.prompts.boxes[0].text, "Are you sure you want to remove DejaVu Serif?");
  EXPECT_EQ(app.prompts.boxes[0].title, "Remove Font");
  QTest::keyClick(&grid(), Qt::Key_Delete);
  EXPECT_FALSE(exists(serif));
  EXPECT_EQ(gridNames(), QStringList{"DejaVu Sans"});
}

// The menu acts on the row under the pointer, and on that row's own file even when the font's
// name holds the entry separator and another path.
TEST_F(WindowConveniencesTest, ContextMenuSelectsTheRowAndActsOnItsFile) {
  const QString odd = path("fonts/my fonts/n\u00e9 #1.ttf");
  makeFolder(path("fonts/my fonts"));
  writeAt(odd, FontBuilder().name(3, 0x409, 4, "A Nice Font" + kEntrySeparator + sans).build());
  refill();
  grid().setRow(2);
  const QPoint at = rowPoint(0);
  send(QContextMenuEvent(QContextMenuEvent::Mouse, at, grid().viewport()->mapToGlobal(at)), grid().viewport());
  auto* menu = form.findChild<QMenu*>("gridRowMenu");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(grid().RowSel(), 0);
  EXPECT_EQ(grid().ColSel(), grid().Cols() - 1);
  const QList<QAction*> items = menu->actions();
  ASSERT_EQ(items.size(), 13);
  EXPECT_EQ(items[0]->text() + "|" + items[1]->text() + "|" + items[2]->text() + "|" + items[7]->text(),
            "Copy Font File|Remove Font\u2026|Open Containing Folder|Show OpenType and collection files");
  EXPECT_TRUE(items[6]->isSeparator());
  // Each runs once the menu's click is over.
  for (QAction* item : {items[0], items[2], items[1], items[7]}) item->trigger();
  app.prompts.answers = {MsgResult::No};
  EXPECT_TRUE(app.desktop.clipboard.isEmpty());
  QCoreApplication::processEvents();
  EXPECT_EQ(app.desktop.clipboard, QList<QStringList>{QStringList{odd}});
  EXPECT_EQ(app.desktop.urls, QStringList{"file://" + QUrl::toPercentEncoding(path("fonts/my fonts"), "/")});
  EXPECT_EQ(app.prompts.boxes.at(0).text, "Are you sure you want to remove A Nice Font" + kEntrySeparator + sans + "?");
  EXPECT_EQ(form.fontFormats(), FontFormats::All);
  form.setFontFormats(FontFormats::TrueType);
}

TEST_F(WindowConveniencesTest, DraggingARowOutIsAFileDrag) {
  QStringList formats;
  QList<QUrl> urls;
  form.findChild<Form1Conveniences*>()->runDrag = [&](QDrag& drag) {
    formats = drag.mimeData()->formats();
    urls = drag.mimeData()->urls();
  };
  QWidget* view = grid().viewport();
  const QPoint start = rowPoint(1), near = start + QPoint(QApplication::startDragDistance() - 1, 0);
  send(QMouseEvent(QEvent::MouseButtonPress, start, view->mapToGlobal(start), Qt::LeftButton, Qt::LeftButton, {}), view);
  send(QMouseEvent(QEvent::MouseMove, near, view->mapToGlobal(near), Qt::NoButton, Qt::LeftButton, {}), view);
  EXPECT_TRUE(urls.isEmpty()) << "a move shorter than the drag distance is no drag";
  const QPoint far = start + QPoint(0, QApplication::startDragDistance());
  send(QMouseEvent(QEvent::MouseMove, far, view->mapToGlobal(far), Qt::NoButton, Qt::LeftButton, {}), view);
  EXPECT_EQ(urls, QList<QUrl>{QUrl::fromLocalFile(serif)});
  EXPECT_EQ(formats, (QStringList{"text/uri-list", "x-special/gnome-copied-files"})) << "never text";
}

TEST_F(WindowConveniencesTest, DroppedFilesAreInstalledWithOneOutcomeBoxOthersRefused) {
  const QString mono = place("DejaVuSansMono.ttf", "in/DejaVuSansMono.ttf");
  EXPECT_TRUE(drop({QUrl::fromLocalFile(mono), QUrl::fromLocalFile(place("DejaVuSans-Bold.ttf", "in/B.ttf"))}));
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  expectOutcome(app.prompts.boxes[0], "Done.");
  EXPECT_EQ(app.fonts.registers, (QStringList{fontsFolder + "DejaVuSansMono.ttf", fontsFolder + "B.ttf"}));
  EXPECT_EQ(gridNames(), (QStringList{"DejaVu Sans Bold", "DejaVu Sans Mono", "DejaVu Sans", "DejaVu Serif"}));

  // One box names each file that failed and why; the good one is still installed.
  app.prompts.boxes.clear();
  const QString text = writeText("in/Notes.ttf", "no font"), missing = path("in/Gone.ttf");
  EXPECT_TRUE(drop({QUrl::fromLocalFile(text), QUrl::fromLocalFile(missing),
                    QUrl::fromLocalFile(place("DejaVuSerif-Bold.ttf", "in/SB.ttf"))}));
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  EXPECT_EQ(app.prompts.boxes[0].text.section("\r\n", 0, 3),
            "Adding font failed.\r\n\r\n" + text + ": not a usable font file; nothing was installed\r\n" + missing +
                ": File not found: '" + missing + "' (No such file or directory)");
  EXPECT_TRUE(app.prompts.boxes[0].text.endsWith("\r\n\r\n1 of 3 fonts were installed."));
  EXPECT_TRUE(gridNames().contains("DejaVu Serif Bold"));

  // Anything but local files is refused at the door.
  app.prompts.boxes.clear();
  EXPECT_FALSE(drop({}));
  EXPECT_FALSE(drop({QUrl("https://example.org/f.ttf")}));
  EXPECT_FALSE(drop({QUrl::fromLocalFile(mono), QUrl("sftp://host/f.ttf")}));
  EXPECT_TRUE(app.prompts.boxes.empty());
}

}  // namespace
