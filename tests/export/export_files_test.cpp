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

// Every face once, each row numbered, named and set in its file's family with its style.
void expectSpreadsheetRows(const QJsonObject& book, const std::vector<RealFace>& faces) {
  EXPECT_EQ(book["log"].toString(), QString()) << "the reader warned about the file";
  QHash<QString, RealFace> byName;
  for (const RealFace& f : faces) byName.insert(f.fullName, f);
  const QJsonArray rows = book["rows"].toArray();
  ASSERT_EQ(rows.size(), qsizetype(faces.size()));
  for (int i = 0; i < rows.size(); ++i) {
    const QJsonArray cells = rows[i].toArray();
    ASSERT_EQ(cells.size(), 3) << i;
    EXPECT_EQ(cells[0]["type"].toInt(), 2) << i;  // a number
    EXPECT_EQ(cells[0]["value"].toDouble(), i + 1);
    EXPECT_EQ(cells[2]["value"].toString(), QStringLiteral("AaBbCc123"));
    const QString name = cells[1]["value"].toString();
    const QString styled = byName.take(name).styled();
    EXPECT_EQ(cells[1]["font"].toString(), styled) << name.toStdString();
    if (book.contains(QLatin1String("rowfonts"))) {  // the row's own format too
      EXPECT_EQ(book["rowfonts"][QString::number(i + 1)].toString(), styled) << name.toStdString();
    }
  }
  EXPECT_TRUE(byName.isEmpty());
}

// The distinct fonts of each paragraph's runs.
QStringList paragraphFonts(const QJsonValue& paragraph) {
  QStringList fonts;
  for (const auto& run : paragraph["runs"].toArray())
    if (const QString font = run.toObject()["font"].toString(); !fonts.contains(font)) fonts << font;
  return fonts;
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
    SCOPED_TRACE(file);
    expectSpreadsheetRows(readWorkbook(app.tree.q(file)), faces);
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
    EXPECT_EQ(paragraphFonts(paragraphs[i]), QStringList{byName.take(name).styled()}) << i;
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
  expectSpreadsheetRows(readWorkbook(xlsx), faces);

  const QByteArray before = readAll(xlsx);
  const auto refused = run({"--export", xlsx, "--filter", "liberation"});
  EXPECT_EQ(refused.first, 1);
  EXPECT_TRUE(refused.second.contains("--force")) << refused.second.toStdString();
  EXPECT_EQ(readAll(xlsx), before) << "an existing file is kept";

  EXPECT_EQ(run({"--export", xlsx, "--filter", "liberation", "--force"}).first, 0);
  std::vector<RealFace> liberation;
  for (const RealFace& f : faces)
    if (f.family.startsWith("Liberation")) liberation.push_back(f);
  expectSpreadsheetRows(readWorkbook(xlsx), liberation);

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
