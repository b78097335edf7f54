// Files the exports write for real fonts, read back by independent readers (Debian's
// python3 with xlrd, openpyxl and python-docx), and the headless --export.
#include "export_support.h"
#include "office/reader.h"
#include "support/private_fonts.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <optional>

using namespace export_test;
using namespace office_test;

namespace {

const char* kReadXls = R"PY(
import io, json, sys, xlrd
log = io.StringIO()
book = xlrd.open_workbook(sys.argv[1], formatting_info=True, logfile=log)
sh = book.sheet_by_index(0)
font = lambda xf: book.font_list[book.xf_list[xf].font_index].name
print(json.dumps({"log": log.getvalue(), "rows": [
    {"number": sh.cell(r, 0).value, "numeric": sh.cell(r, 0).ctype == xlrd.XL_CELL_NUMBER,
     "name": sh.cell(r, 1).value, "sample": sh.cell(r, 2).value,
     "font": font(sh.rowinfo_map[r].xf_index) if r in sh.rowinfo_map else ""} for r in range(sh.nrows)]}))
)PY";

const char* kReadXlsx = R"PY(
import json, sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
print(json.dumps({"log": "", "rows": [
    {"number": r[0].value, "numeric": r[0].data_type == "n", "name": r[1].value, "sample": r[2].value,
     "font": r[1].font.name} for r in ws.iter_rows() if r[0].value is not None]}))
)PY";

const char* kReadDocx = R"PY(
import json, sys, docx
ps = docx.Document(sys.argv[1]).paragraphs
print(json.dumps([{"text": p.text, "fonts": sorted({r.font.name for r in p.runs})} for p in ps]))
)PY";

struct RealFont {
  const char* file;
  const char* name;
};
// Sorted by name, as the catalogue list keeps them.
const RealFont kRealFonts[] = {
    {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "DejaVu Sans"},
    {"/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf", "DejaVu Serif Bold"},
    {"/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf", "Liberation Mono"},
    {"/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf", "Liberation Sans"},
};

QStringList availableFontNames() {
  QStringList names;
  for (const RealFont& f : kRealFonts)
    if (QFile::exists(f.file)) names << f.name;
  return names;
}

void expectSpreadsheetRows(const QJsonDocument& doc, const QStringList& names) {
  EXPECT_EQ(doc["log"].toString(), QString()) << "the reader warned about the file";
  const QJsonArray rows = doc["rows"].toArray();
  ASSERT_EQ(rows.size(), names.size());
  for (int i = 0; i < names.size(); ++i) {
    const QJsonObject row = rows[i].toObject();
    EXPECT_TRUE(row["numeric"].toBool()) << i;
    EXPECT_EQ(row["number"].toDouble(), i + 1);
    EXPECT_EQ(row["name"].toString(), names[i]);
    EXPECT_EQ(row["sample"].toString(), QStringLiteral("AaBbCc123"));
    EXPECT_EQ(row["font"].toString(), names[i]);
  }
}

TEST(ExportedFiles, SpreadsheetsReadBackWithNumbersAndRowFonts) {
  const QStringList names = availableFontNames();
  if (names.isEmpty()) GTEST_SKIP() << "fonts-dejavu-core and fonts-liberation are not installed";
  for (const char* file : {"Fonts.xls", "Fonts.xlsx"}) {
    App app;
    office::OfficeFactory real;
    app.form->services().office = &real;
    for (const RealFont& f : kRealFonts)
      if (QFile::exists(f.file)) app.form->List1.AddItem(f.name, f.file);
    app.prompts.saveResults.push_back(app.tree.q(file));
    app.click(kExcel);
    ASSERT_TRUE(app.saidDone()) << file;
    const bool xlsx = QString(file).endsWith("xlsx");
    SCOPED_TRACE(file);
    expectSpreadsheetRows(runReader(xlsx ? kReadXlsx : kReadXls, {app.tree.q(file)}), names);
  }
}

TEST(ExportedFiles, DocumentsReadBackWithEveryParagraphInItsFont) {
  const QStringList names = availableFontNames();
  if (names.isEmpty()) GTEST_SKIP() << "fonts-dejavu-core and fonts-liberation are not installed";
  App app;
  office::OfficeFactory real;
  app.form->services().office = &real;
  for (const RealFont& f : kRealFonts)
    if (QFile::exists(f.file)) app.form->List1.AddItem(f.name, f.file);
  app.prompts.saveResults.push_back(app.tree.q("Fonts.docx"));
  app.prompts.saveResults.push_back(app.tree.q("Fonts.doc"));
  app.click(kWord);
  app.click(kWord);

  const QJsonArray paragraphs = runReader(kReadDocx, {app.tree.q("Fonts.docx")}).array();
  ASSERT_EQ(paragraphs.size(), names.size() + 1);
  for (int i = 0; i < names.size(); ++i) {
    const QJsonObject p = paragraphs[i].toObject();
    EXPECT_EQ(p["text"].toString(), QString::number(i + 1) + "    " + names[i] + "     AaBbCc123");
    EXPECT_EQ(p["fonts"].toArray(), QJsonArray({names[i]}));
  }
  EXPECT_EQ(paragraphs.last().toObject()["text"].toString(), QString());

  // "Fonts.doc" is Rich Text Format, which every word processor opens as a document.
  const QByteArray rtf = readAll(app.tree.q("Fonts.doc"));
  EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
  for (const QString& name : names) EXPECT_TRUE(rtf.contains(name.toLatin1())) << name.toStdString();
}

// The program itself, with a font folder of its own.
struct CommandLineExport : ::testing::Test {
  TempTree tree;
  std::optional<PrivateFonts> fonts;
  QStringList names;

  void SetUp() override {
    if (!QFile::exists(typoramaProgram())) GTEST_SKIP() << "the program is not built";
    ASSERT_TRUE(tree.folder("data") && tree.folder("sys") && tree.folder("out"));
    for (const RealFont& f : kRealFonts) {
      if (!QFile::exists(f.file)) continue;
      ASSERT_TRUE(QFile::copy(f.file, tree.q("sys/") + QFileInfo(f.file).fileName()));
      names << f.name;
    }
    if (names.isEmpty()) GTEST_SKIP() << "fonts-dejavu-core and fonts-liberation are not installed";
    fonts.emplace(tree, "sys");
    ASSERT_TRUE(fonts->ok());
  }
  std::pair<int, QString> run(const QStringList& args) {
    const ProgramOutcome o = fonts->typorama(args);
    return {o.status, o.err};
  }
};

TEST_F(CommandLineExport, WritesByExtensionAndReplacesOnlyWithForce) {
  const QString xlsx = tree.q("out/fonts.xlsx");
  EXPECT_EQ(run({"--export", xlsx}).first, 0);
  expectSpreadsheetRows(runReader(kReadXlsx, {xlsx}), names);

  const QByteArray before = readAll(xlsx);
  const auto refused = run({"--export", xlsx, "--filter", "liberation"});
  EXPECT_EQ(refused.first, 1);
  EXPECT_TRUE(refused.second.contains("--force")) << refused.second.toStdString();
  EXPECT_EQ(readAll(xlsx), before) << "an existing file is kept";

  EXPECT_EQ(run({"--export", xlsx, "--filter", "liberation", "--force"}).first, 0);
  QStringList liberation = names.filter("Liberation");
  expectSpreadsheetRows(runReader(kReadXlsx, {xlsx}), liberation);

  const QString docx = tree.q("out/fonts.docx");
  EXPECT_EQ(run({"--export", docx, "--filter", "DejaVu"}).first, 0);
  const QJsonArray paragraphs = runReader(kReadDocx, {docx}).array();
  EXPECT_EQ(paragraphs.size(), names.filter("DejaVu").size() + 1);

  const auto unknown = run({"--export", tree.q("out/fonts.txt")});
  EXPECT_EQ(unknown.first, 1);
  EXPECT_FALSE(QFile::exists(tree.q("out/fonts.txt")));
  const auto noFolder = run({"--export", tree.q("missing/fonts.xls")});
  EXPECT_EQ(noFolder.first, 1);
  EXPECT_TRUE(noFolder.second.contains("Path not found")) << noFolder.second.toStdString();
  EXPECT_EQ(run({"--export"}).first, 2);
}

}  // namespace
