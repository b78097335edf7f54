// The headless export when its file name is taken while the catalogue is read, and when the name
// is a symbolic link.
#include "export/export_cli.h"
#include "export_support.h"
#include "office/reader.h"

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
  const int status = exportCatalogue(app.form->services(), path, QString(), force, err);
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

}  // namespace
