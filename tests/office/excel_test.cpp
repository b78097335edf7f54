// The spreadsheet stand-in: what it accepts, and what independent readers find in the
// files it writes (xlrd for .xls, openpyxl for .xlsx).
#include "office/compound_file.h"
#include "office/excel.h"
#include "office/office_factory.h"
#include "reader.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QRandomGenerator>

using namespace office;
using namespace office_test;

namespace {

const char* kReadCompound = R"PY(
import hashlib, io, json, sys, xlrd.compdoc
log = io.StringIO()
doc = xlrd.compdoc.CompDoc(open(sys.argv[1], "rb").read(), logfile=log)
s = doc.get_named_stream("Workbook")
print(json.dumps({"log": log.getvalue(), "size": len(s), "sha": hashlib.sha256(s).hexdigest()}))
)PY";

const QString kThirtyTwo = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");

// The names an export typically meets, including ones the spreadsheet must refuse.
QStringList sampleNames() {
  return {QStringLiteral("DejaVu Sans"),
          QStringLiteral("Ünïcødé 字体"),
          kThirtyTwo,                                   // one character too long: refused
          QStringLiteral("Tom & Jerry <b> \"quoted\""),  // characters XML must escape
          QStringLiteral("DejaVu Sans"),                // a font used again
          QString::fromUtf8("\xF0\x9D\x94\x89raktur"),   // outside the Basic Multilingual Plane
          kThirtyTwo.left(31)};
}

// Name i is set plain, bold, italic, bold italic in turn; as readers report it.
QString styled(const QString& name, int i) {
  return name + (i % 4 == 1 || i % 4 == 3 ? " [b]" : "") + (i % 4 >= 2 ? " [i]" : "");
}

// What the export does per font: three cells, then the row font, where 1004 leaves the
// row in the default font.
int fillLikeExport(Worksheet& ws, const QStringList& names) {
  int refusals = 0;
  for (int i = 0; i < names.size(); ++i) {
    const int r = i + 1;
    ws.setCellValue(r, 1, r);
    ws.setCellValue(r, 2, names[i]);
    ws.setCellValue(r, 3, QStringLiteral("AaBbCc123"));
    try {
      ws.setRowFontName(r, names[i]);
      ws.setRowFontBold(r, i % 4 == 1 || i % 4 == 3);
      ws.setRowFontItalic(r, i % 4 >= 2);
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number, 1004);
      ++refusals;
    }
  }
  return refusals;
}

void expectExportRows(const QJsonObject& book, const QStringList& names, const QString& defaultFont,
                      int numberType, int textType) {
  EXPECT_EQ(book["log"].toString(), QString());
  EXPECT_EQ(book["sheets"].toInt(), 1);
  EXPECT_EQ(book["name"].toString(), QStringLiteral("Sheet1"));
  const QJsonArray rows = book["rows"].toArray();
  ASSERT_EQ(rows.size(), names.size());
  for (int i = 0; i < names.size(); ++i) {
    const QJsonArray cells = rows[i].toArray();
    ASSERT_EQ(cells.size(), 3) << i;
    const QString font = names[i].size() <= 31 ? styled(names[i], i) : defaultFont;
    EXPECT_EQ(cells[0].toObject()["value"].toDouble(), i + 1);
    EXPECT_EQ(cells[1].toObject()["value"].toString(), names[i]);
    EXPECT_EQ(cells[2].toObject()["value"].toString(), QStringLiteral("AaBbCc123"));
    for (int c = 0; c < 3; ++c) EXPECT_EQ(cells[c].toObject()["font"].toString(), font) << i << c;
    EXPECT_EQ(cells[0].toObject()["type"].toVariant(), QVariant(numberType));
    EXPECT_EQ(cells[1].toObject()["type"].toVariant(), QVariant(textType));
  }
}

}  // namespace

TEST(ExcelStandIn, XlsHoldsEveryRowInItsOwnFontWithNumbersAsNumbers) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("Fonts.xls"));
  auto excel = OfficeFactory().createExcel();
  excel->setVisible(false);
  excel->setDisplayAlerts(false);
  Workbook& wb = excel->workbooksAdd();
  const QStringList names = sampleNames();
  EXPECT_EQ(fillLikeExport(wb.sheets(1), names), 1);
  wb.SaveAs(path, Workbook::kWorkbookNormal);
  excel->setDisplayAlerts(true);
  excel->quit();

  EXPECT_TRUE(readAll(path).startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1")));
  const QJsonObject book = readWorkbook(path);
  expectExportRows(book, names, QStringLiteral("Arial"), 2, 1);
  // The row format itself carries the font too, so cells typed later get it.
  const QJsonObject rowFonts = book["rowfonts"].toObject();
  EXPECT_EQ(rowFonts["2"].toString(), styled(names[1], 1));
  EXPECT_FALSE(rowFonts.contains(QStringLiteral("3")));
  EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("Fonts.xls")});
}

TEST(ExcelStandIn, XlsxHoldsEveryRowInItsOwnFontWithNumbersAsNumbers) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("Fonts.XLSX"));  // the extension in any case
  ExcelApplication excel;
  Workbook& wb = excel.workbooksAdd();
  const QStringList names = sampleNames();
  EXPECT_EQ(fillLikeExport(wb.sheets(1), names), 1);
  wb.SaveAs(path);
  EXPECT_TRUE(readAll(path).startsWith("PK"));
  expectExportRows(readWorkbook(path), names, QStringLiteral("Calibri"), 2, 1);
  EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("Fonts.XLSX")});
}

TEST(ExcelStandIn, AnyOtherNameGetsTheXlsFormat) {
  QTemporaryDir dir;
  ExcelApplication excel;
  Workbook& wb = excel.workbooksAdd();
  wb.sheets(1).setCellValue(1, 1, 7);
  for (const QString& name : {QStringLiteral("fonts.dat"), QStringLiteral("no_extension"), QStringLiteral("UPPER.XLS")}) {
    wb.SaveAs(dir.filePath(name));
    EXPECT_TRUE(readAll(dir.filePath(name)).startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1"))) << name.toStdString();
  }
}

TEST(ExcelStandIn, EmptyWorkbooksStillSaveValidFiles) {
  QTemporaryDir dir;
  ExcelApplication excel;
  Workbook& wb = excel.workbooksAdd();
  wb.SaveAs(dir.filePath(QStringLiteral("empty.xls")));
  wb.SaveAs(dir.filePath(QStringLiteral("empty.xlsx")));
  const QJsonObject xls = readWorkbook(dir.filePath(QStringLiteral("empty.xls")));
  EXPECT_EQ(xls["log"].toString(), QString());
  EXPECT_EQ(xls["rows"].toArray().size(), 0);
  const QJsonObject xlsx = readWorkbook(dir.filePath(QStringLiteral("empty.xlsx")));
  EXPECT_EQ(xlsx["log"].toString(), QString());
  EXPECT_EQ(xlsx["rows"].toArray().size(), 0);
}

TEST(ExcelStandIn, FontLimitsRefuseWith1004AndLeaveTheRowAlone) {
  ExcelApplication excel;
  Worksheet& ws = excel.workbooksAdd().sheets(1);
  auto refusedNumber = [&](int row, const QString& name) {
    try {
      ws.setRowFontName(row, name);
    } catch (const RuntimeError& e) {
      return e.number;
    }
    return 0;
  };
  EXPECT_EQ(refusedNumber(1, kThirtyTwo), 1004);
  EXPECT_EQ(ws.rowFontName(1), QString());
  EXPECT_EQ(refusedNumber(1, QString()), 1004);
  EXPECT_EQ(refusedNumber(1, QStringLiteral("Tab\there")), 1004);
  EXPECT_EQ(refusedNumber(1, kThirtyTwo.left(31)), 0);
  EXPECT_EQ(ws.rowFontName(1), kThirtyTwo.left(31));
  for (int i = 1; i < kMaxCellFormats; ++i) ASSERT_EQ(refusedNumber(i + 1, QString::number(i)), 0);
  // The rows now hold 65,430 fonts: a new one is refused, one already there is not, and a row
  // alone with its font may change it.
  EXPECT_EQ(refusedNumber(70000, QStringLiteral("One Too Many")), 1004);
  EXPECT_EQ(ws.rowFontName(70000), QString());
  EXPECT_EQ(refusedNumber(70000, QStringLiteral("7")), 0);
  EXPECT_THROW(ws.setRowFontBold(70000, true), RuntimeError);
  EXPECT_EQ(ws.rowFont(70000), (TextFont{QStringLiteral("7")}));
  ws.setRowFontBold(3, true);
  EXPECT_EQ(ws.rowFont(3), (TextFont{QStringLiteral("2"), true}));
}

TEST(ExcelStandIn, OnlyTheXlsFormatStopsAt512Fonts) {
  QTemporaryDir dir;
  ExcelApplication excel;
  Workbook& wb = excel.workbooksAdd();
  Worksheet& ws = wb.sheets(1);
  for (int r = 1; r <= 514; ++r) {
    ws.setCellValue(r, 1, r);
    ws.setRowFontName(r, QStringLiteral("F") + QString::number((r - 1) / 2));
    ws.setRowFontBold(r, r % 2 == 0);  // 514 fonts: two faces of 257 families
  }
  wb.SaveAs(dir.filePath(QStringLiteral("f.xls")));
  wb.SaveAs(dir.filePath(QStringLiteral("f.xlsx")));
  const QJsonArray xls = readWorkbook(dir.filePath(QStringLiteral("f.xls")))["rows"].toArray();
  const QJsonArray xlsx = readWorkbook(dir.filePath(QStringLiteral("f.xlsx")))["rows"].toArray();
  ASSERT_EQ(xls.size(), 514);
  ASSERT_EQ(xlsx.size(), 514);
  for (int r : {1, 512, 513, 514}) {
    const QString own = QStringLiteral("F") + QString::number((r - 1) / 2) + (r % 2 == 0 ? " [b]" : "");
    EXPECT_EQ(xls[r - 1][0]["font"].toString(), r <= 512 ? own : QStringLiteral("Arial")) << r;
    EXPECT_EQ(xlsx[r - 1][0]["font"].toString(), own) << r;
  }
}

TEST(ExcelStandIn, BadCellsAndSheetsAreRefused) {
  ExcelApplication excel;
  Workbook& wb = excel.workbooksAdd();
  Worksheet& ws = wb.sheets(1);
  auto number = [](auto&& f) {
    try { f(); } catch (const RuntimeError& e) { return e.number; }
    return 0;
  };
  EXPECT_EQ(number([&] { wb.sheets(2); }), 9);
  EXPECT_EQ(number([&] { ws.setCellValue(0, 1, 1); }), 1004);
  EXPECT_EQ(number([&] { ws.setCellValue(1, 16385, 1); }), 1004);
  EXPECT_EQ(number([&] { ws.setCellValue(1, 1, QString(32768, QLatin1Char('x'))); }), 1004);
  ws.setCellValue(1, 1, QStringLiteral("x"));
  ws.setCellValue(1, 1, QString());  // an empty value empties the cell
  EXPECT_FALSE(ws.cellValue(1, 1).isValid());
  excel.quit();
  EXPECT_EQ(number([&] { excel.workbooksAdd(); }), 462);
}

TEST(ExcelStandIn, RowsPastTheXlsGridAreAnErrorNotSilentlyLost) {
  QTemporaryDir dir;
  const QString xls = dir.filePath(QStringLiteral("big.xls"));
  ASSERT_TRUE(writeAll(xls, "previous"));
  ExcelApplication excel;
  Workbook& wb = excel.workbooksAdd();
  wb.sheets(1).setCellValue(70000, 1, 1);
  try {
    wb.SaveAs(xls);
    ADD_FAILURE() << "saved rows the format cannot hold";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number, 1004);
  }
  EXPECT_EQ(readAll(xls), QByteArray("previous"));
  wb.SaveAs(dir.filePath(QStringLiteral("big.xlsx")));  // the larger grid holds it
}

TEST(ExcelStandIn, FailedSavesLeaveNoFileAndNoTemporaryBehind) {
  QTemporaryDir dir;
  ExcelApplication excel;
  Workbook& wb = excel.workbooksAdd();
  wb.sheets(1).setCellValue(1, 1, 1);
  for (const QString& ext : {QStringLiteral("xls"), QStringLiteral("xlsx")}) {
    // A folder that does not exist.
    const QString missing = dir.filePath(QStringLiteral("gone/Fonts.") + ext);
    try {
      wb.SaveAs(missing);
      ADD_FAILURE();
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number, 76);
      EXPECT_TRUE(e.description.contains(missing)) << e.description.toStdString();
    }
    // A target that is a folder.
    const QString folder = dir.filePath(QStringLiteral("taken.") + ext);
    ASSERT_TRUE(QDir().mkpath(folder));
    try {
      wb.SaveAs(folder);
      ADD_FAILURE();
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number, 75);
    }
    EXPECT_TRUE(QFileInfo(folder).isDir());
  }
  EXPECT_EQ(entries(dir.path()), (QStringList{QStringLiteral("taken.xls"), QStringLiteral("taken.xlsx")}));
}

TEST(ExcelStandIn, LargeSheetsSplitSharedStringsAcrossRecords) {
  // Enough text to fill many 8 KB records, with long and wide strings that must break
  // in the middle of their characters.
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("large.xls"));
  ExcelApplication excel;
  Workbook& wb = excel.workbooksAdd();
  Worksheet& ws = wb.sheets(1);
  QStringList texts;
  for (int i = 0; i < 3000; ++i) {
    QString t = QStringLiteral("Font family number %1").arg(i);
    if (i % 500 == 7) t = QString(9000, QChar(u'a' + i % 26));
    if (i % 500 == 9) t = QString(5000, QChar(u'字')) + QString::number(i);
    texts << t;
    ws.setCellValue(i + 1, 1, i + 1);
    ws.setCellValue(i + 1, 2, t);
    ws.setRowFontName(i + 1, QStringLiteral("Font %1").arg(i % 400));
  }
  ws.setCellValue(3001, 1, 2.5);
  ws.setCellValue(3001, 2, 1e12);  // numbers an RK value cannot hold
  ws.setCellValue(3001, 3, -7);
  wb.SaveAs(path);

  const QJsonObject book = readWorkbook(path);
  EXPECT_EQ(book["log"].toString(), QString());
  const QJsonArray rows = book["rows"].toArray();
  ASSERT_EQ(rows.size(), 3001);
  for (int i = 0; i < 3000; ++i) {
    const QJsonArray cells = rows[i].toArray();
    ASSERT_EQ(cells[1].toObject()["value"].toString(), texts[i]) << i;
    ASSERT_EQ(cells[0].toObject()["value"].toDouble(), i + 1);
    ASSERT_EQ(cells[1].toObject()["font"].toString(), QStringLiteral("Font %1").arg(i % 400));
  }
  const QJsonArray last = rows[3000].toArray();
  EXPECT_EQ(last[0].toObject()["value"].toDouble(), 2.5);
  EXPECT_EQ(last[1].toObject()["value"].toDouble(), 1e12);
  EXPECT_EQ(last[2].toObject()["value"].toDouble(), -7);
  EXPECT_EQ(last[0].toObject()["font"].toString(), QStringLiteral("Arial"));
}

TEST(CompoundFile, StreamsOfEverySizeReadBackWhole) {
  // Small streams are padded past the mini-stream cutoff; one of 8 MB needs more FAT
  // sectors than the header can list, so DIFAT sectors too.
  QTemporaryDir dir;
  for (const int size : {0, 100, 4096, 4097, 8 * 1024 * 1024 + 3}) {
    QByteArray stream(size, '\0');
    for (int i = 0; i < size; ++i) stream[i] = char(QRandomGenerator::global()->generate());
    QByteArray padded = stream;
    if (padded.size() < 4096) padded.append(QByteArray(4096 - padded.size(), '\0'));
    const QByteArray file = buildCompoundFile(QStringLiteral("Workbook"), stream);
    EXPECT_EQ((file.size() - 512) % 512, 0);
    const QString path = dir.filePath(QStringLiteral("c%1.bin").arg(size));
    ASSERT_TRUE(writeAll(path, file));
    const QJsonObject read = runReader(kReadCompound, {path}).object();
    EXPECT_EQ(read["log"].toString(), QString()) << size;
    EXPECT_EQ(read["size"].toInt(), padded.size()) << size;
    EXPECT_EQ(read["sha"].toString(),
              QString::fromLatin1(QCryptographicHash::hash(padded, QCryptographicHash::Sha256).toHex())) << size;
  }
}
