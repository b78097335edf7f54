// The main window's keyboard, context menu and drag and drop, driven through the events a person
// makes; each ends in the command a button runs.
#include "app/catalogue_entry.h"
#include "app/form1_shortcuts.h"
#include "ops_fixture.h"
#include "platform/path_codec.h"
#include "support/font_builder.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <memory>

namespace {

class WindowConveniencesTest : public OpsTest {
 protected:
  void SetUp() override {
    OpsTest::SetUp();
    if (IsSkipped()) return;
    sans = place("DejaVuSans.ttf", "fonts/DejaVuSans.ttf");
    serif = place("DejaVuSerif.ttf", "fonts/sub/DejaVuSerif.ttf");
    refill();
  }
  FlexGrid& grid() { return *form().MSFlexGrid1; }
  QWidget* viewport() { return grid().viewport(); }
  Form1Conveniences& conveniences() { return *form().findChild<Form1Conveniences*>(); }
  QPoint rowPoint(int row) { return grid().visualRect(grid().model()->index(row, 1)).center(); }
  void mouse(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, pos, viewport()->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewport(), &e);
  }
  QMenu* contextMenuAt(int row) {
    QContextMenuEvent e(QContextMenuEvent::Mouse, rowPoint(row), viewport()->mapToGlobal(rowPoint(row)));
    QApplication::sendEvent(viewport(), &e);
    return form().findChild<QMenu*>("gridRowMenu");
  }
  // Sends a drag of `data` onto the window; true when the window took it.
  bool drop(QMimeData& data) {
    const QPoint at = form().PushButton5->geometry().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form(), &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent dropped(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form(), &dropped);
    EXPECT_EQ(dropped.dropAction(), Qt::CopyAction);
    QApplication::sendPostedEvents();  // the install runs once the drag is over
    return dropped.isAccepted();
  }

  QString sans, serif;
};

TEST_F(WindowConveniencesTest, EnterInTheFilterBoxFilters) {
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
    form().Text1->setText(key == Qt::Key_Return ? "serif" : "sans");
    QTest::keyClick(form().Text1, key);
    EXPECT_EQ(gridNames(), QStringList{key == Qt::Key_Return ? "DejaVu Serif" : "DejaVu Sans"});
  }
}

TEST_F(WindowConveniencesTest, CtrlCCopiesAndDeleteAsksToRemoveTheSelectedRow) {
  grid().setRow(1);
  QTest::keyClick(&grid(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(app.desktop.clipboard, QList<QStringList>{QStringList{serif}});

  app.prompts.answers = {MsgResult::No, MsgResult::Yes};
  QTest::keyClick(&grid(), Qt::Key_Delete);
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  EXPECT_EQ(app.prompts.boxes[0].text, "Are you sure you want to remove DejaVu Serif?");
  EXPECT_EQ(app.prompts.boxes[0].title, "Remove Font");
  EXPECT_TRUE(QFile::exists(serif));

  QTest::keyClick(&grid(), Qt::Key_Delete);
  EXPECT_FALSE(QFile::exists(serif));
  EXPECT_EQ(app.fonts.unregisters, QStringList{"DejaVuSerif.ttf"});
  EXPECT_EQ(gridNames(), QStringList{"DejaVu Sans"});
  // Plain letters are not commands.
  QTest::keyClick(&grid(), Qt::Key_C);
  EXPECT_EQ(app.desktop.clipboard.size(), 1);
}

// The menu acts on the row under the pointer, and on that row's own file even when the font's
// name holds the entry separator and a path.
TEST_F(WindowConveniencesTest, ContextMenuSelectsTheRowAndActsOnItsFile) {
  const QString odd = tree.q("fonts/my fonts/") + pathFromBytes(std::string("n\xc3\xa9 #1.ttf"));
  QDir().mkpath(tree.q("fonts/my fonts"));
  ASSERT_TRUE(FontBuilder().name(3, 0x409, 4, "A Nice Font" + kEntrySeparator + sans).writeTo(odd));
  refill();
  ASSERT_EQ(form().List1.ItemPath(0), odd);
  grid().setRow(2);

  QMenu* menu = contextMenuAt(0);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(grid().RowSel(), 0);
  EXPECT_EQ(grid().Col(), 0);
  EXPECT_EQ(grid().ColSel(), grid().Cols() - 1);
  QStringList texts;
  for (QAction* a : menu->actions()) texts << a->text();
  EXPECT_EQ(texts, (QStringList{"Copy Font File", "Remove Font\u2026", "Open Containing Folder"}));

  menu->actions()[0]->trigger();
  EXPECT_EQ(app.desktop.clipboard, QList<QStringList>{QStringList{odd}});
  menu->actions()[2]->trigger();
  const QByteArray folderUri = "file://" + QUrl::toPercentEncoding(tree.q("fonts/my fonts"), "/");
  EXPECT_EQ(app.desktop.urls, QStringList{QString::fromLatin1(folderUri)});
  EXPECT_EQ(QUrl(app.desktop.urls.value(0)).toLocalFile(), tree.q("fonts/my fonts"));
  app.prompts.answers = {MsgResult::No};
  menu->actions()[1]->trigger();
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  EXPECT_EQ(app.prompts.boxes[0].text, "Are you sure you want to remove A Nice Font" + kEntrySeparator + sans + "?");
  menu->close();

  // Below the last row there is no row and no menu.
  const QPoint end(5, viewport()->height() - 2);
  QContextMenuEvent below(QContextMenuEvent::Mouse, end, viewport()->mapToGlobal(end));
  QApplication::sendEvent(viewport(), &below);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(form().findChild<QMenu*>("gridRowMenu"), nullptr);
}

TEST_F(WindowConveniencesTest, DraggingARowOutIsAFileDrag) {
  std::unique_ptr<QMimeData> dragged;
  conveniences().runDrag = [&](QDrag& drag) {
    dragged.reset(new QMimeData);
    for (const QString& format : drag.mimeData()->formats())
      dragged->setData(format, drag.mimeData()->data(format));
  };
  const QPoint start = rowPoint(1);
  mouse(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
  const QPoint near = start + QPoint(QApplication::startDragDistance() - 1, 0);
  mouse(QEvent::MouseMove, near, Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(dragged, nullptr) << "a move shorter than the drag distance is no drag";
  mouse(QEvent::MouseMove, start + QPoint(0, QApplication::startDragDistance()), Qt::NoButton, Qt::LeftButton);
  ASSERT_NE(dragged, nullptr);
  EXPECT_EQ(dragged->formats(), (QStringList{"text/uri-list", "x-special/gnome-copied-files"})) << "never text";
  EXPECT_EQ(dragged->urls(), QList<QUrl>{QUrl::fromLocalFile(serif)});
  EXPECT_EQ(dragged->data("x-special/gnome-copied-files"), "copy\n" + QUrl::fromLocalFile(serif).toEncoded());
  EXPECT_EQ(grid().RowSel(), 1);
  EXPECT_TRUE(app.desktop.clipboard.isEmpty()) << "a drag leaves the clipboard alone";
}

TEST_F(WindowConveniencesTest, DroppedFontFilesAreInstalledWithOneOutcomeBox) {
  const QString mono = place("DejaVuSansMono.ttf", "in/DejaVuSansMono.ttf");
  const QString bold = place("DejaVuSans-Bold.ttf", "in/Bold Face.ttf");
  QMimeData good;
  good.setUrls({QUrl::fromLocalFile(mono), QUrl::fromLocalFile(bold)});
  EXPECT_TRUE(drop(good));
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  expectOutcome(app.prompts.boxes[0], "Done.");
  EXPECT_EQ(app.fonts.registers, (QStringList{fontsFolder + "DejaVuSansMono.ttf", fontsFolder + "Bold Face.ttf"}));
  EXPECT_EQ(gridNames(), (QStringList{"DejaVu Sans Bold", "DejaVu Sans Mono", "DejaVu Sans", "DejaVu Serif"}));

  // Some files fail: one box names each of them and why; the good one is still installed.
  app.prompts.boxes.clear();
  const QString text = writeText("in/Notes.ttf", "no font");
  const QString missing = tree.q("in/Gone.ttf");
  const QString serifCopy = place("DejaVuSerif-Bold.ttf", "in/Serif Bold.ttf");
  QMimeData mixed;
  mixed.setUrls({QUrl::fromLocalFile(text), QUrl::fromLocalFile(missing), QUrl::fromLocalFile(serifCopy)});
  EXPECT_TRUE(drop(mixed));
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  const QString box = app.prompts.boxes[0].text;
  EXPECT_TRUE(box.startsWith("Adding font failed.\r\n\r\n" + text + ": not a usable font file")) << box.toStdString();
  EXPECT_TRUE(box.contains("\r\n" + missing + ": File not found")) << box.toStdString();
  EXPECT_TRUE(box.endsWith("\r\n\r\n1 of 3 fonts were installed.")) << box.toStdString();
  EXPECT_FALSE(box.contains(serifCopy));
  EXPECT_TRUE(gridNames().contains("DejaVu Serif Bold"));
  EXPECT_FALSE(QFile::exists(fontsFolder + "Notes.ttf"));
}

TEST_F(WindowConveniencesTest, WindowRefusesAnythingButLocalFiles) {
  QMimeData words;
  words.setText("DejaVuSans.ttf");
  QMimeData remote;
  remote.setUrls({QUrl("https://example.org/f.ttf")});
  QMimeData partly;
  partly.setUrls({QUrl::fromLocalFile(sans), QUrl("sftp://host/f.ttf")});
  for (QMimeData* data : {&words, &remote, &partly}) EXPECT_FALSE(drop(*data)) << data->formats().join(' ').toStdString();
  EXPECT_TRUE(app.prompts.boxes.empty());
  EXPECT_TRUE(app.fonts.registers.isEmpty());
}

}  // namespace
