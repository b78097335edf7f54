// The headless export when its file name is taken while the catalogue is read, and when the name
// is a symbolic link.
#include "export/export_cli.h"
#include "export_support.h"
#include "office/reader.h"
#include "support/font_builder.h"

#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using namespace export_test;
using namespace office_test;

namespace {

// Another program takes the name just before the workbook is saved.
class RacingBook : public office::Workbook {
 public:
  void SaveAs(const QString& path, int format) override {
    ASSERT_TRUE(writeAll(path, "theirs"));
    Workbook::SaveAs(path, format);
  }
};
class RacingExcel : public office::ExcelApplication {
 public:
  office::Workbook& workbooksAdd() override { return book_; }

 private:
  RacingBook book_;
};
class RacingFactory : public office::OfficeFactory {
 public:
  std::unique_ptr<office::ExcelApplication> createExcel() override { return std::make_unique<RacingExcel>(); }
};

std::pair<int, QString> exportTo(App& app, const QString& path, bool force) {
  char* text = nullptr;
  size_t size = 0;
  std::FILE* err = ::open_memstream(&text, &size);
  const int status = exportCatalogue(app.form->services(), path, QString(), FontFormats::TrueType, force, err);
  std::fclose(err);
  const QString message = QString::fromUtf8(text, qsizetype(size));
  std::free(text);
  return {status, message};
}

const QByteArray kCompoundFile("\xD0\xCF\x11\xE0", 4);

TEST(HeadlessExport, ANameTakenDuringTheExportIsKeptUnlessForced) {
  App app;
  RacingFactory racing;
  app.form->services().office = &racing;
  const QString path = app.tree.q("Fonts.xls");
  auto [status, message] = exportTo(app, path, false);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(message, QStringLiteral("typorama: %1 already exists; nothing was written\n").arg(path));
  EXPECT_EQ(readAll(path), QByteArray("theirs"));
  EXPECT_EQ(entries(app.tree.q("")), QStringList{QStringLiteral("Fonts.xls")});

  EXPECT_EQ(exportTo(app, path, true).first, 0);
  EXPECT_TRUE(readAll(path).startsWith(kCompoundFile));
}

TEST(HeadlessExport, ReplacesTheFileALinkLeadsToAndKeepsTheLink) {
  App app;
  app.form->services().office = nullptr;  // the real writers
  ASSERT_TRUE(writeAll(app.tree.q("real.xls"), "old"));
  ASSERT_EQ(::symlink("real.xls", pathToBytes(app.tree.q("link.xls")).c_str()), 0);
  EXPECT_EQ(exportTo(app, app.tree.q("link.xls"), true).first, 0);
  EXPECT_TRUE(QFileInfo(app.tree.q("link.xls")).isSymLink());
  EXPECT_TRUE(readAll(app.tree.q("real.xls")).startsWith(kCompoundFile));
  EXPECT_EQ(entries(app.tree.q("")), (QStringList{QStringLiteral("link.xls"), QStringLiteral("real.xls")}));
}

// The command line writes the rows and paragraphs the buttons write; its first failure ends it.
TEST(HeadlessExport, WritesWhatTheButtonsWriteAndStopsAtTheFirstFailure) {
  App app;
  ASSERT_TRUE(app.tree.folder("fonts"));
  app.fonts.fontsFolder = app.tree.q("fonts/");
  ASSERT_TRUE(FontBuilder().name(3, 0x409, 1, QStringLiteral("Delta")).name(3, 0x409, 4, QStringLiteral("Delta Bold"))
                  .fsSelection(0x20).writeTo(app.tree.q("fonts/delta.ttf")));
  ASSERT_TRUE(FontBuilder().name(3, 0x409, 4, QStringLiteral("Lone")).writeTo(app.tree.q("fonts/lone.ttf")));
  app.form->PushButton1_Click();
  app.prompts.saveResults = {app.tree.q("button.xls"), app.tree.q("button.doc")};
  app.click(kExcel);
  app.click(kWord);
  const Record button = app.factory.record;
  ASSERT_EQ(button.rows.size(), 2u);
  ASSERT_EQ(button.paragraphs.size(), 3u);

  app.factory.record = {};
  EXPECT_EQ(exportTo(app, app.tree.q("cli.xls"), false).first, 0);
  EXPECT_EQ(exportTo(app, app.tree.q("cli.doc"), false).first, 0);
  EXPECT_EQ(app.factory.record.rows, button.rows);
  ASSERT_EQ(app.factory.record.paragraphs.size(), button.paragraphs.size());
  for (size_t i = 0; i < button.paragraphs.size(); ++i) {
    EXPECT_EQ(app.factory.record.paragraphs[i].text(), button.paragraphs[i].text()) << i;
    ASSERT_EQ(app.factory.record.paragraphs[i].runs.size(), button.paragraphs[i].runs.size()) << i;
    for (size_t r = 0; r < button.paragraphs[i].runs.size(); ++r)
      EXPECT_EQ(app.factory.record.paragraphs[i].runs[r].font, button.paragraphs[i].runs[r].font) << i;
  }

  // Where the window reports a failing cell once and saves the rest, the command line stops.
  app.factory.cellError = 1004;
  const QString failed = app.tree.q("failed.xls");
  const auto [status, message] = exportTo(app, failed, false);
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(message.contains(failed) && message.contains("Automation error")) << message.toStdString();
  EXPECT_FALSE(QFile::exists(failed));
}

}  // namespace
