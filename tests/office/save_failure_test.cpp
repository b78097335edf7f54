// A save that fails half-way, in every format: one clear error, the file it would have
// replaced intact, and no temporary file left in the folder.
#include "office/excel.h"
#include "office/word.h"
#include "reader.h"

using namespace office;
using namespace office_test;

TEST(OfficeSave, AWriteFailingHalfWayKeepsTheOldFile) {
  QTemporaryDir dir;
  ExcelApplication excel;
  Workbook& wb = excel.workbooksAdd();
  WordApplication word;
  Document& doc = word.documentsAdd();
  for (int i = 1; i <= 5000; ++i) {
    wb.sheets(1).setCellValue(i, 1, i);
    wb.sheets(1).setCellValue(i, 2, QStringLiteral("Some font name %1").arg(i));
    word.selection().TypeText(QStringLiteral("%1    Some font name %1     AaBbCc123").arg(i));
    word.selection().TypeParagraph();
  }
  QStringList names;
  for (const QString& name : {QStringLiteral("a.xls"), QStringLiteral("a.xlsx"), QStringLiteral("a.docx"),
                              QStringLiteral("a.rtf")}) {
    const QString path = dir.filePath(name);
    ASSERT_TRUE(writeAll(path, "old contents"));
    names << name;
    names.sort();
    int number = 0;
    QString description;
    {
      FileSizeLimit limit(2048);
      try {
        if (name.contains(QLatin1String("xls"))) wb.SaveAs(path);
        else doc.SaveAs(path);
      } catch (const RuntimeError& e) {
        number = e.number;
        description = e.description;
      }
    }
    EXPECT_EQ(number, 75) << name.toStdString() << " " << description.toStdString();
    EXPECT_TRUE(description.contains(path)) << description.toStdString();
    EXPECT_EQ(readAll(path), QByteArray("old contents")) << name.toStdString();
    EXPECT_EQ(entries(dir.path()), names);
  }
}
