// Files the exports write for real fonts, read back by independent readers (Debian's
// python3 with xlrd, openpyxl and python-docx), and the headless --export.
#include "export_support.h"
#include "office/reader.h"
#include "support/private_fonts.h"
#include "support/real_fonts.h"

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
def font(xf):
    f = book.font_list[book.xf_list[xf].font_index]
    return f.name + (" [b]" if f.bold else "") + (" [i]" if f.italic else "")
print(json.dumps({"log": log.getvalue(), "rows": [
    {"number": sh.cell(r, 0).value, "numeric": sh.cell(r, 0).ctype == xlrd.XL_CELL_NUMBER,
     "name": sh.cell(r, 1).value, "sample": sh.cell(r, 2).value,
     "font": font(sh.rowinfo_map[r].xf_index) if r in sh.rowinfo_map else ""} for r in range(sh.nrows)]}))
)PY";

const char* kReadXlsx = R"PY(
import json, sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
font = lambda f: f.name + (" [b]" if f.b else "") + (" [i]" if f.i else "")
print(json.dumps({"log": "", "rows": [
    {"number": r[0].value, "numeric": r[0].data_type == "n", "name": r[1].value, "sample": r[2].value,
     "font": font(r[1].font)} for r in ws.iter_rows() if r[0].value is not None]}))
)PY";

const char* kReadDocx = R"PY(
import json, sys, docx
ps = docx.Document(sys.argv[1]).paragraphs
font = lambda f: f.name + (" [b]" if f.bold else "") + (" [i]" if f.italic else "")
print(json.dumps([{"text": p.text, "fonts": sorted({font(r.font) for r in p.runs})} for p in ps]))
)PY";

// Every face once, each row numbered, named and set in its file's family with its style.
void expectSpreadsheetRows(const QJsonDocument& doc, const std::vector<RealFace>& faces) {
  EXPECT_EQ(doc["log"].toString(), QString()) << "the reader warned about the file";
  QHash<QString, RealFace> byName;
  for (const RealFace& f : faces) byName.insert(f.fullName, f);
  const QJsonArray rows = doc["rows"].toArray();
  ASSERT_EQ(rows.size(), qsizetype(faces.size()));
  for (int i = 0; i < rows.size(); ++i) {
    const QJsonObject row = rows[i].toObject();
    EXPECT_TRUE(row["numeric"].toBool()) << i;
    EXPECT_EQ(row["number"].toDouble(), i + 1);
    EXPECT_EQ(row["sample"].toString(), QStringLiteral("AaBbCc123"));
    const RealFace face = byName.take(row["name"].toString());
    EXPECT_EQ(row["font"].toString(), face.styled()) << row["name"].toString().toStdString();
  }
  EXPECT_TRUE(byName.isEmpty());
}

TEST(ExportedFiles, SpreadsheetsReadBackWithNumbersAndRowFonts) {
  const std::vector<RealFace> faces = realFaces();
  if (faces.empty()) GTEST_SKIP() << "fonts-dejavu-core and fonts-liberation are not installed";
  for (const char* file : {"Fonts.xls", "Fonts.xlsx"}) {
    App app;
    office::OfficeFactory real;
    app.form->services().office = &real;
    for (const RealFace& f : faces) app.form->List1.AddItem(f.fullName, f.file);
    app.prompts.saveResults.push_back(app.tree.q(file));
    app.click(kExcel);
    ASSERT_TRUE(app.saidDone()) << file;
    const bool xlsx = QString(file).endsWith("xlsx");
    SCOPED_TRACE(file);
    expectSpreadsheetRows(runReader(xlsx ? kReadXlsx : kReadXls, {app.tree.q(file)}), faces);
  }
}

TEST(ExportedFiles, DocumentsReadBackWithEveryParagraphInItsFont) {
  const std::vector<RealFace> faces = realFaces();
  if (faces.empty()) GTEST_SKIP() << "fonts-dejavu-core and fonts-liberation are not installed";
  App app;
  office::OfficeFactory real;
  app.form->services().office = &real;
  QHash<QString, RealFace> byName;
  for (const RealFace& f : faces) {
    app.form->List1.AddItem(f.fullName, f.file);
    byName.insert(f.fullName, f);
  }
  app.prompts.saveResults.push_back(app.tree.q("Fonts.docx"));
  app.prompts.saveResults.push_back(app.tree.q("Fonts.doc"));
  app.click(kWord);
  app.click(kWord);

  const QJsonArray paragraphs = runReader(kReadDocx, {app.tree.q("Fonts.docx")}).array();
  ASSERT_EQ(paragraphs.size(), qsizetype(faces.size()) + 1);
  for (int i = 0; i < paragraphs.size() - 1; ++i) {
    const QString text = paragraphs[i]["text"].toString();
    const QString name = text.section(QStringLiteral("    "), 1, 1).trimmed();
    EXPECT_EQ(text, QString::number(i + 1) + "    " + name + "     AaBbCc123");
    EXPECT_EQ(paragraphs[i]["fonts"].toArray(), QJsonArray({byName.take(name).styled()})) << i;
  }
  EXPECT_TRUE(byName.isEmpty());
  EXPECT_EQ(paragraphs.last().toObject()["text"].toString(), QString());

  // "Fonts.doc" is Rich Text Format, which every word processor opens as a document.
  const QByteArray rtf = readAll(app.tree.q("Fonts.doc"));
  EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
  for (const RealFace& f : faces) EXPECT_TRUE(rtf.contains(f.family.toLatin1())) << f.family.toStdString();
}

// The program itself, with a font folder of its own.
struct CommandLineExport : ::testing::Test {
  TempTree tree;
  std::optional<PrivateFonts> fonts;
  std::vector<RealFace> faces = realFaces();

  void SetUp() override {
    if (!QFile::exists(typoramaProgram())) GTEST_SKIP() << "the program is not built";
    ASSERT_TRUE(tree.folder("data") && tree.folder("sys") && tree.folder("out"));
    for (const RealFace& f : faces) ASSERT_TRUE(QFile::copy(f.file, tree.q("sys/") + QFileInfo(f.file).fileName()));
    if (faces.empty()) GTEST_SKIP() << "fonts-dejavu-core and fonts-liberation are not installed";
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
  expectSpreadsheetRows(runReader(kReadXlsx, {xlsx}), faces);

  const QByteArray before = readAll(xlsx);
  const auto refused = run({"--export", xlsx, "--filter", "liberation"});
  EXPECT_EQ(refused.first, 1);
  EXPECT_TRUE(refused.second.contains("--force")) << refused.second.toStdString();
  EXPECT_EQ(readAll(xlsx), before) << "an existing file is kept";

  EXPECT_EQ(run({"--export", xlsx, "--filter", "liberation", "--force"}).first, 0);
  std::vector<RealFace> liberation;
  for (const RealFace& f : faces)
    if (f.family.startsWith("Liberation")) liberation.push_back(f);
  expectSpreadsheetRows(runReader(kReadXlsx, {xlsx}), liberation);

  const QString docx = tree.q("out/fonts.docx");
  EXPECT_EQ(run({"--export", docx, "--filter", "DejaVu"}).first, 0);
  const QJsonArray paragraphs = runReader(kReadDocx, {docx}).array();
  EXPECT_EQ(paragraphs.size(), qsizetype(faces.size() - liberation.size()) + 1);

  const auto unknown = run({"--export", tree.q("out/fonts.txt")});
  EXPECT_EQ(unknown.first, 1);
  EXPECT_FALSE(QFile::exists(tree.q("out/fonts.txt")));
  const auto noFolder = run({"--export", tree.q("missing/fonts.xls")});
  EXPECT_EQ(noFolder.first, 1);
  EXPECT_TRUE(noFolder.second.contains("Path not found")) << noFolder.second.toStdString();
  EXPECT_EQ(run({"--export"}).first, 2);
}

}  // namespace
