// Copy Selected Font To Clipboard: the button and the clipboard contents for file managers.
#include "core/catalogue_entry.h"
#include "ops/copy_files_clipboard.h"
#include "support/font_folder_fixture.h"
#include "platform/clipboard_files.h"
#include "platform/path_codec.h"
#include "support/font_builder.h"

#include <QMimeData>
#include <QUrl>
#include <memory>

namespace {

using CopyToClipboardTest = FontCommandTest;

TEST_F(CopyToClipboardTest, OffersTheSelectedRowsFileAndShowsNothing) {
  place("DejaVuSans.ttf", "fonts/DejaVuSans.ttf");
  const QString serif = place("DejaVuSerif.ttf", "fonts/sub/DejaVuSerif.ttf");
  refill();
  form.MSFlexGrid1->setRow(1);
  app.desktop.clipboardAccepts = false;  // the result is not shown either way
  form.PushButton7_Click();
  ASSERT_EQ(app.desktop.clipboard.size(), 1);
  EXPECT_EQ(app.desktop.clipboard[0], QStringList{serif});
  EXPECT_TRUE(app.prompts.boxes.empty());
}

TEST_F(CopyToClipboardTest, NoFileMeansTheClipboardIsLeftAlone) {
  refill();  // an empty grid: there is no path to take
  form.PushButton7_Click();
  ASSERT_EQ(app.prompts.boxes.size(), 1u);
  expectTrap(app.prompts.boxes[0], "PushButton7_Click", 104, "Subscript out of range");
  EXPECT_TRUE(app.desktop.clipboard.isEmpty());
}

TEST_F(CopyToClipboardTest, NameHoldingTheSeparatorCannotRedirectTheCopy) {
  const QString forged = path("fonts/nice.ttf");
  ASSERT_TRUE(makeFolder(fontsFolder));
  writeAt(forged, FontBuilder().name(3, 0x409, 4, "Nice Font" + kEntrySeparator + "/etc/passwd").build());
  refill();
  form.MSFlexGrid1->setRow(0);
  form.PushButton7_Click();
  ASSERT_EQ(app.desktop.clipboard.size(), 1);
  EXPECT_EQ(app.desktop.clipboard[0], QStringList{forged});
}

TEST(PutFilesOnClipboard, LeavesOutEmptyPaths) {
  FakeDesktop desktop;
  EXPECT_FALSE(PutFilesOnClipboard(desktop, {QString()}));
  EXPECT_TRUE(desktop.clipboard.isEmpty());
  EXPECT_TRUE(PutFilesOnClipboard(desktop, {"/a.ttf", "", "/b.ttf"}));
  EXPECT_EQ(desktop.clipboard.value(0), (QStringList{"/a.ttf", "/b.ttf"}));
}

TEST(FileListMimeData, FileManagersReadTheFilesBack) {
  // A blank, characters with a meaning in URIs, a non-ASCII name and a byte that is not UTF-8.
  const QString odd = pathFromBytes(std::string("/f/odd\xff name.ttf"));
  const QStringList paths{"/usr/share/fonts/My Font #1 (100%).ttf", QString::fromUtf8("/f/Schrift-\xc3\xa4?.ttf"), odd};
  std::unique_ptr<QMimeData> data(fileListMimeData(paths));

  EXPECT_EQ(data->data("text/uri-list"),
            "file:///usr/share/fonts/My%20Font%20%231%20%28100%25%29.ttf\r\n"
            "file:///f/Schrift-%C3%A4%3F.ttf\r\n"
            "file:///f/odd%FF%20name.ttf\r\n");
  EXPECT_EQ(data->data("x-special/gnome-copied-files"),
            "copy\n"
            "file:///usr/share/fonts/My%20Font%20%231%20%28100%25%29.ttf\n"
            "file:///f/Schrift-%C3%A4%3F.ttf\n"
            "file:///f/odd%FF%20name.ttf");
  // The files, not their paths as text: nothing else is offered, and asking for text gets none.
  EXPECT_EQ(data->formats(), (QStringList{"text/uri-list", "x-special/gnome-copied-files"}));
  EXPECT_FALSE(data->hasFormat("text/plain"));
  EXPECT_TRUE(data->text().isEmpty());
  // Qt's X11 clipboard would add text targets for the plain name; X11 reads this one as the same.
  std::unique_ptr<QMimeData> x11(fileListMimeData(paths, true));
  EXPECT_EQ(x11->formats().value(0).toLatin1().constData(), std::string("text/uri-list"));
  EXPECT_NE(x11->formats().value(0), "text/uri-list");
  EXPECT_EQ(x11->data("text/uri-list"), data->data("text/uri-list"));
  EXPECT_TRUE(x11->text().isEmpty());

  const QList<QUrl> urls = data->urls();
  ASSERT_EQ(urls.size(), 3);
  EXPECT_EQ(urls[0].toLocalFile(), paths[0]);
  EXPECT_EQ(urls[1].toLocalFile(), paths[1]);
  EXPECT_EQ(urls[2].toEncoded(QUrl::FullyEncoded), "file:///f/odd%FF%20name.ttf");
}

}  // namespace
